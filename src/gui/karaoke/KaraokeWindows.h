// The karaoke part of the windowed player: the display's logic, its hand-off
// from the player, the karaoke window and the editor window, and the KARAOKE
// settings' listener that re-applies them.
#pragma once

#include <memory>

#include "karaoke/KaraokeDisplay.h"
#include "player/KaraokeHandOff.h"
#include "player/PlayerCore.h"

namespace gui {

class KaraokeEditorWindow;
class KaraokeWindow;

class KaraokeWindows {
 public:
  explicit KaraokeWindows(player::PlayerCore& core);
  ~KaraokeWindows();
  KaraokeWindows(const KaraokeWindows&) = delete;
  KaraokeWindows& operator=(const KaraokeWindows&) = delete;

  // Opens the karaoke window when WINDOW_OPENED says so.
  void Start();

  karaoke::KaraokeDisplay& Display() { return display_; }
  KaraokeWindow& Window() { return *window_; }
  KaraokeEditorWindow& Editor() { return *editor_; }

 private:
  player::PlayerCore& core_;
  karaoke::KaraokeDisplay display_;
  std::unique_ptr<KaraokeWindow> window_;
  std::unique_ptr<KaraokeEditorWindow> editor_;
  std::unique_ptr<player::KaraokeHandOff> hand_off_;
};

}  // namespace gui
