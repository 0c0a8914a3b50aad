#include "gui/mainwindow/TransportBar.h"

#include <QHBoxLayout>
#include <QTimer>

#include <map>

#include "gui/controls/PlayerButton.h"
#include "gui/toolkit/Muted.h"
#include "gui/toolkit/ReturnIdDispatcher.h"

namespace gui {
namespace {

using player::Button;
using player::PlayState;

// How often a held step button repeats its notification.
constexpr int kStepRepeatMs = 100;

struct ButtonSpec {
  const char* image;
  int tooltip;
  bool checkable;
};

constexpr ButtonSpec kButtons[] = {
    {"Shrink", 5051, true},  {"Option", 5011, false},  {"Random", 5052, true},
    {"Intro", 5053, true},   {"Loop", 5067, true},     {"Prev", 5054, false},
    {"Backward", 5012, false}, {"Forward", 5013, false}, {"Next", 5055, false},
    {"Pause", 5014, true},   {"Play", 5015, true},     {"Stop", 5016, false},
    {"Dolby", 5017, true},   {"Expand", 5018, true},   {"Record", 5019, false},
    {"Eject", 5020, false},  {"Cdda", 0, false},
};

const char* ImageOf(Button button) {
  switch (button) {
    case Button::kPause: return "Pause";
    case Button::kFilter: return "Dolby";
    case Button::kExpand: return "Expand";
    case Button::kRandom: return "Random";
    case Button::kIntro: return "Intro";
    case Button::kLoop: return "Loop";
    case Button::kIconify: break;
  }
  return "";
}

}  // namespace

struct TransportBar::Private {
  Private(player::PlayerCore& c, ReturnIdDispatcher& d) : core(c), dispatcher(d) {}
  player::PlayerCore& core;
  ReturnIdDispatcher& dispatcher;
  std::map<QString, QToolButton*> buttons;
  QTimer step_repeat;
  bool step_forward = true;

  QToolButton* operator[](const char* image) const {
    const auto found = buttons.find(QString::fromLatin1(image));
    return found == buttons.end() ? nullptr : found->second;
  }
  void Step(bool held) {
    core.Step(step_forward, held, player::PlayerCore::Clock::now());
  }
};

TransportBar::TransportBar(player::PlayerCore& core, ReturnIdDispatcher& dispatcher,
                           QWidget* parent)
    : QWidget(parent), p_(new Private(core, dispatcher)) {
  setObjectName(QStringLiteral("buttons"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (const ButtonSpec& spec : kButtons) {
    QToolButton* button = MakePlayerButton(this, spec.image, spec.tooltip, spec.checkable);
    layout->addWidget(button);
    p_->buttons[QString::fromLatin1(spec.image)] = button;
  }
  layout->addStretch(1);

  const auto on_click = [this](const char* image, auto&& action) {
    connect((*p_)[image], &QToolButton::clicked, this, action);
  };
  const auto toggles = [this, on_click](const char* image, Button button) {
    on_click(image, [this, button](bool checked) {
      if (!p_->core.SetButton(button, checked)) OnButtonChanged(button, !checked);
    });
  };
  toggles("Random", Button::kRandom);
  toggles("Intro", Button::kIntro);
  toggles("Loop", Button::kLoop);
  toggles("Pause", Button::kPause);
  toggles("Dolby", Button::kFilter);
  toggles("Expand", Button::kExpand);
  on_click("Shrink", [this](bool shown) {
    p_->core.SetDisplayOption(player::DisplayOption::kFileList, shown);
  });
  on_click("Option", [this] { p_->dispatcher.Dispatch(player::kReturnOptions); });
  on_click("Prev", [this] { p_->dispatcher.Dispatch(player::kReturnPrev); });
  on_click("Next", [this] { p_->dispatcher.Dispatch(player::kReturnNext); });
  on_click("Play", [this] {
    p_->dispatcher.Dispatch(player::kReturnPlay);
    OnStateChanged(p_->core.State());  // a refused play leaves the button as it was
  });
  on_click("Stop", [this] { p_->dispatcher.Dispatch(player::kReturnStop); });
  on_click("Record", [this] { p_->dispatcher.Dispatch(player::kReturnSaveAs); });
  on_click("Eject", [this] { p_->dispatcher.Dispatch(player::kReturnSelectFiles); });
  on_click("Cdda", [this] { p_->core.ReloadCd(); });

  // The step buttons tell the player they are held, repeatedly, until released.
  p_->step_repeat.setInterval(kStepRepeatMs);
  connect(&p_->step_repeat, &QTimer::timeout, this, [this] { p_->Step(true); });
  for (const bool forward : {false, true}) {
    QToolButton* step = (*p_)[forward ? "Forward" : "Backward"];
    connect(step, &QToolButton::pressed, this, [this, forward] {
      p_->step_forward = forward;
      p_->Step(true);
      p_->step_repeat.start();
    });
    connect(step, &QToolButton::released, this, [this] {
      p_->step_repeat.stop();
      p_->Step(false);
    });
  }

  for (const Button button : {Button::kPause, Button::kFilter, Button::kExpand, Button::kRandom,
                              Button::kIntro, Button::kLoop}) {
    OnButtonChanged(button, core.IsButtonSelected(button));
  }
  OnStateChanged(core.State());
  OnDisplayOptionChanged(player::DisplayOption::kFileList,
                         core.IsDisplayOptionShown(player::DisplayOption::kFileList));
  core.AddListener(this);
}

TransportBar::~TransportBar() { p_->core.RemoveListener(this); }

QToolButton* TransportBar::ButtonNamed(const QString& image) const {
  const auto found = p_->buttons.find(image);
  return found == p_->buttons.end() ? nullptr : found->second;
}

void TransportBar::ApplyButtonSettings(const settings::MainSettings& main) {
  const std::pair<const char*, uint16_t> shown[] = {
      {"Shrink", main.shrink},        {"Option", main.options},     {"Prev", main.prev_next},
      {"Next", main.prev_next},       {"Backward", main.back_forward},
      {"Forward", main.back_forward}, {"Pause", main.pause},        {"Dolby", main.filter},
      {"Expand", main.expand},        {"Record", main.record},      {"Random", main.random_button},
      {"Intro", main.intro_button},   {"Loop", main.loop_button},   {"Cdda", main.cdda},
  };
  for (const auto& [image, on] : shown) (*p_)[image]->setVisible(on != 0);
}

void TransportBar::OnStateChanged(PlayState state) {
  const bool stopped = state == PlayState::kStopped;
  const bool paused = state == PlayState::kPaused;
  QToolButton* play = (*p_)["Play"];
  SetMuted(*play, [&](QToolButton& b) { b.setChecked(!stopped); });
  play->setEnabled(stopped || paused);  // while paused it releases the pause
  SetMuted(*(*p_)["Pause"], [&](QToolButton& b) { b.setChecked(paused); });
  (*p_)["Pause"]->setEnabled(!stopped);
  for (const char* image : {"Stop", "Backward", "Forward"}) (*p_)[image]->setEnabled(!paused);
  if (paused || stopped) p_->step_repeat.stop();
}

void TransportBar::OnButtonChanged(Button button, bool selected) {
  if (QToolButton* shown = (*p_)[ImageOf(button)]) {
    SetMuted(*shown, [&](QToolButton& b) { b.setChecked(selected); });
  }
}

void TransportBar::OnDisplayOptionChanged(player::DisplayOption option, bool shown) {
  if (option != player::DisplayOption::kFileList) return;
  SetMuted(*(*p_)["Shrink"], [&](QToolButton& b) { b.setChecked(shown); });
}

}  // namespace gui
