// One sound control of the main window: its button (boost for the volume, reset
// for the others), the slider with its range and the value's text. Moving the
// slider sets the player's level; the player's changes redraw it, muted.
#pragma once

#include <QSlider>
#include <QToolButton>
#include <QWidget>

#include <memory>

#include "player/PlayerCore.h"

namespace gui {

class LevelSlider : public QWidget, public player::PlayerListener {
  Q_OBJECT

 public:
  // level: kVolume, kBalance, kBass or kTreble.
  LevelSlider(player::PlayerCore& core, player::Level level, QWidget* parent);
  ~LevelSlider() override;

  QSlider& Slider();
  QToolButton& Button();  // boost or reset
  QString ValueText() const;

  void OnLevelChanged(player::Level level, int32_t value) override;

 private:
  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
