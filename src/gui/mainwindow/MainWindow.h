// The main window: the current song, the time slider, the volume and tone
// groups, the buttons, the menus and (unless it has a window of its own) the
// playlist. What it shows comes from the player's notifications; what the user
// does becomes one call on the player or one return id.
#pragma once

#include <QAction>
#include <QMainWindow>

#include <memory>

#include "player/PlayerCore.h"

namespace gui {

class PlaylistWindow;
class ReturnIdDispatcher;

class MainWindow : public QMainWindow, public player::PlayerListener {
  Q_OBJECT

 public:
  MainWindow(player::PlayerCore& core, ReturnIdDispatcher& dispatcher);
  ~MainWindow() override;

  // The DISPLAY and BUTTONS settings, as they stand, shown: groups, buttons,
  // check marks, the list's place and whether the window may be resized.
  void ApplyDisplayOptions();
  // The iconified state decides how the window first shows.
  void ShowAsStarted();

  QAction* MenuAction(int id) const;  // by return id; null for none
  // Minimised, or hidden behind a tray icon.
  bool IsIconified() const;
  PlaylistWindow& Playlist();

  void OnWindowTitleChanged(const std::string& title) override;
  void OnDisplayOptionChanged(player::DisplayOption option, bool shown) override;
  void OnSubWindowChanged(player::SubWindow window, bool open) override;
  void OnButtonChanged(player::Button button, bool selected) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Files and folders dropped anywhere on the window go after the highlighted row.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Iconify();

  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
