// The time slider: 0 to the song's duration, shown as "MM:SS". While it is
// pressed the player's time display leaves it alone; releasing it seeks to its
// value; a change by other means (a click beside the handle, a wheel) seeks at
// once. The player's time display moves it muted, so that never seeks.
#pragma once

#include <QSlider>
#include <QWidget>

#include <memory>

#include "player/PlayerCore.h"

namespace gui {

class TimeSlider : public QWidget, public player::PlayerListener {
  Q_OBJECT

 public:
  TimeSlider(player::PlayerCore& core, QWidget* parent);
  ~TimeSlider() override;

  QSlider& Slider();
  QString ValueText() const;

  void OnTimeChanged(int64_t seconds) override;
  void OnSongInfoChanged(const player::SongInfo& info) override;

 private:
  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
