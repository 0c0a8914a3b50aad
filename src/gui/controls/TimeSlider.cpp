#include "gui/controls/TimeSlider.h"

#include <QHBoxLayout>
#include <QLabel>

#include <climits>

#include "gui/toolkit/Muted.h"
#include "shell/Texts.h"

namespace gui {
namespace {

QString MinutesSeconds(int seconds) {
  return QStringLiteral("%1:%2")
      .arg(seconds / 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int ClampedInt(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, 0, INT_MAX)); }

}  // namespace

struct TimeSlider::Private {
  player::PlayerCore& core;
  QSlider* slider = nullptr;
  QLabel* text = nullptr;

  void ShowValue() { text->setText(MinutesSeconds(slider->value())); }
  void ShowTime(int64_t seconds) {
    SetMuted(*slider, [&](QSlider& s) { s.setValue(ClampedInt(seconds)); });
    ShowValue();
  }
};

TimeSlider::TimeSlider(player::PlayerCore& core, QWidget* parent)
    : QWidget(parent), p_(new Private{core}) {
  setObjectName(QStringLiteral("time"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  p_->slider = new QSlider(Qt::Horizontal, this);
  p_->slider->setObjectName(QStringLiteral("timeSlider"));
  p_->slider->setToolTip(QString::fromUtf8(Texts_Get(5002)));
  p_->slider->setFocusPolicy(Qt::NoFocus);
  p_->text = new QLabel(this);
  layout->addWidget(p_->slider, 1);
  layout->addWidget(p_->text);
  OnSongInfoChanged(core.CurrentSongInfo());

  connect(p_->slider, &QSlider::sliderPressed, this, [this] { p_->core.PressTimeSlider(); });
  connect(p_->slider, &QSlider::sliderReleased, this, [this] {
    p_->core.ReleaseTimeSlider(p_->slider->value());
    if (!p_->core.IsPlaying()) p_->ShowTime(p_->core.TimeShown());  // nothing to seek in
  });
  connect(p_->slider, &QSlider::valueChanged, this, [this](int value) {
    p_->ShowValue();
    if (p_->slider->isSliderDown()) return;  // a drag seeks on release only
    if (!p_->core.Seek(value)) p_->ShowTime(p_->core.TimeShown());
  });
  core.AddListener(this);
}

TimeSlider::~TimeSlider() { p_->core.RemoveListener(this); }

QSlider& TimeSlider::Slider() { return *p_->slider; }
QString TimeSlider::ValueText() const { return p_->text->text(); }

void TimeSlider::OnTimeChanged(int64_t seconds) {
  if (!p_->slider->isSliderDown()) p_->ShowTime(seconds);
}

void TimeSlider::OnSongInfoChanged(const player::SongInfo& info) {
  SetMuted(*p_->slider, [&](QSlider& s) { s.setRange(0, ClampedInt(info.duration_seconds)); });
  p_->ShowTime(p_->core.TimeShown());
}

}  // namespace gui
