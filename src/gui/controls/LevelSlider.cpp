#include "gui/controls/LevelSlider.h"

#include <QHBoxLayout>
#include <QLabel>

#include "gui/controls/PlayerButton.h"
#include "gui/toolkit/Muted.h"
#include "shell/Texts.h"

namespace gui {
namespace {

using player::Level;

struct Kind {
  const char* name;
  const char* image;
  int button_tip;
  int slider_tip;
  int minimum;
  const char* unit;
};

Kind KindOf(Level level) {
  switch (level) {
    case Level::kBalance: return {"balance", "Balance", 5005, 5006, -64, ""};
    case Level::kBass: return {"bass", "Bass", 5009, 5010, -20, "dB"};
    case Level::kTreble: return {"treble", "Treble", 5007, 5008, -20, "dB"};
    default: return {"volume", "Boost", 5003, 5004, 0, ""};
  }
}

}  // namespace

struct LevelSlider::Private {
  player::PlayerCore& core;
  Level level;
  Kind kind;
  QToolButton* button = nullptr;
  QSlider* slider = nullptr;
  QLabel* value = nullptr;

  int32_t Current() const {
    switch (level) {
      case Level::kBalance: return core.Balance();
      case Level::kBass: return core.Bass();
      case Level::kTreble: return core.Treble();
      default: return core.Volume();
    }
  }
  void Set(int32_t value) {
    switch (level) {
      case Level::kBalance: core.SetBalance(value); break;
      case Level::kBass: core.SetBass(value); break;
      case Level::kTreble: core.SetTreble(value); break;
      default: core.SetVolume(value); break;
    }
  }
  void ShowValue() {
    value->setText(QString::number(slider->value()) + QString::fromLatin1(kind.unit));
  }
  void ShowRange(int32_t maximum) {
    SetMuted(*slider, [&](QSlider& s) { s.setRange(kind.minimum, maximum); });
    if (level == Level::kVolume) {
      SetMuted(*button, [&](QToolButton& b) { b.setChecked(maximum > 64); });
      button->setText(QStringLiteral("x%1").arg(maximum / 64));
    }
  }
  void ShowLevel(int32_t level_value) {
    SetMuted(*slider, [&](QSlider& s) { s.setValue(level_value); });
    ShowValue();
  }
};

LevelSlider::LevelSlider(player::PlayerCore& core, Level level, QWidget* parent)
    : QWidget(parent), p_(new Private{core, level, KindOf(level)}) {
  setObjectName(QString::fromLatin1(p_->kind.name));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  const bool volume = level == Level::kVolume;
  p_->button = MakePlayerButton(this, p_->kind.image, p_->kind.button_tip, volume);
  p_->slider = new QSlider(Qt::Horizontal, this);
  p_->slider->setObjectName(QString::fromLatin1(p_->kind.name) + QStringLiteral("Slider"));
  p_->slider->setToolTip(QString::fromUtf8(Texts_Get(p_->kind.slider_tip)));
  p_->slider->setFocusPolicy(Qt::NoFocus);
  p_->value = new QLabel(this);
  p_->value->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-64dB")));
  layout->addWidget(p_->button);
  layout->addWidget(p_->slider, 1);
  layout->addWidget(p_->value);
  p_->ShowRange(volume ? core.VolumeRange() : -p_->kind.minimum);
  p_->ShowLevel(p_->Current());

  connect(p_->slider, &QSlider::valueChanged, this, [this](int value) {
    p_->Set(value);
    p_->ShowValue();
  });
  if (volume) {
    connect(p_->button, &QToolButton::clicked, this, [this] { p_->core.CycleBoost(); });
  } else {
    connect(p_->button, &QToolButton::clicked, this, [this] { p_->Set(0); });
  }
  core.AddListener(this);
}

LevelSlider::~LevelSlider() { p_->core.RemoveListener(this); }

QSlider& LevelSlider::Slider() { return *p_->slider; }
QToolButton& LevelSlider::Button() { return *p_->button; }
QString LevelSlider::ValueText() const { return p_->value->text(); }

void LevelSlider::OnLevelChanged(Level level, int32_t value) {
  if (level == p_->level) p_->ShowLevel(value);
  if (level == Level::kVolumeRange && p_->level == Level::kVolume) {
    p_->ShowRange(value);
    // The slider never shows a value outside its range: the player brings the
    // volume inside first and tells us; this only redraws.
    p_->ShowLevel(p_->Current());
  }
}

}  // namespace gui
