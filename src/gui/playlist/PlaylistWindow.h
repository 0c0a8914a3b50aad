// The separate playlist window, "Tunewright Playlist": with PLAYLIST_WINDOW on,
// the list lives here. Closing it hides the list (FILE_LIST off).
#pragma once

#include <QWidget>

#include "player/PlayerCore.h"

namespace gui {

class PlaylistWindow : public QWidget {
  Q_OBJECT

 public:
  PlaylistWindow(player::PlayerCore& core, QWidget* parent = nullptr);
  // Takes the list in (the main window takes it back).
  void Hold(QWidget& list);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  player::PlayerCore& core_;
};

}  // namespace gui
