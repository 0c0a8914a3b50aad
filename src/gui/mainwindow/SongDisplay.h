// The current-song display: artist and album, duration and title, the file's
// format, its comment, and a line telling of a song that could not be played.
// Every text is the player's; tags are escaped before they are made bold.
#pragma once

#include <QLabel>
#include <QWidget>

#include <memory>

#include "player/PlayerCore.h"

namespace gui {

class SongDisplay : public QWidget, public player::PlayerListener {
  Q_OBJECT

 public:
  SongDisplay(player::PlayerCore& core, QWidget* parent);
  ~SongDisplay() override;

  // 1 artist and album, 2 duration and title, 3 format, 4 comment, 5 the failure.
  QLabel& Line(int number);
  void ShowLines(bool artist_album, bool format, bool comment);

  void OnSongInfoChanged(const player::SongInfo& info) override;
  void OnSongFailed(int row, const std::string& path, player::PlayFailure why) override;
  void OnStateChanged(player::PlayState state) override;

 private:
  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
