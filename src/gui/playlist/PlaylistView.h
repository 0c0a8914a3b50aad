// The playlist list: title on the left, duration on the right, the current row
// bold. Selecting a row highlights it in the player; a double click plays it;
// rows are dragged within the list and files dropped into it.
#pragma once

#include <QListView>

#include <memory>

#include "player/PlayerCore.h"

namespace gui {

class PlaylistModel;

class PlaylistView : public QListView, public player::PlayerListener {
  Q_OBJECT

 public:
  PlaylistView(player::PlayerCore& core, QWidget* parent);
  ~PlaylistView() override;

  PlaylistModel& Model();
  void OnHighlightChanged(int row) override;
  void OnRowsInserted(int first, int count) override;

 private:
  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
