// Connects the karaoke display to the player: a started song gives it its
// lyrics, a stop resets it, each tick passes the position, and a new song's
// information gives it its default texts (title and album). WINDOW_OPENED
// follows the karaoke window, so a save records whether it was open.
#pragma once

#include "karaoke/KaraokeDisplay.h"
#include "player/PlayerController.h"
#include "player/TransportEngine.h"

namespace player {

class PlayerCore;

class KaraokeHandOff : public KaraokeListener, public PlayerListener {
 public:
  // Listens to core until destroyed; both must outlive this object.
  KaraokeHandOff(PlayerCore& core, karaoke::KaraokeDisplay& display);
  ~KaraokeHandOff() override;
  KaraokeHandOff(const KaraokeHandOff&) = delete;
  KaraokeHandOff& operator=(const KaraokeHandOff&) = delete;

  // Opens the karaoke window when WINDOW_OPENED says so; for start-up.
  void OpenAtStartUp();

  void OnSongStarted(const decoders::TrackInfo& track) override;
  void OnReset() override;
  void OnPosition(double seconds) override;
  void OnSongInfoChanged(const SongInfo& info) override;
  void OnSubWindowChanged(SubWindow window, bool open) override;

 private:
  PlayerCore& core_;
  karaoke::KaraokeDisplay& display_;
};

}  // namespace player
