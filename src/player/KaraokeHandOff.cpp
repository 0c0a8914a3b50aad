#include "player/KaraokeHandOff.h"

#include <cmath>

#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"

namespace player {

KaraokeHandOff::KaraokeHandOff(PlayerCore& core, karaoke::KaraokeDisplay& display)
    : core_(core), display_(display) {
  core_.SetKaraokeListener(this);
  core_.AddListener(this);
  OnSongInfoChanged(core_.CurrentSongInfo());
}

KaraokeHandOff::~KaraokeHandOff() {
  core_.RemoveListener(this);
  core_.SetKaraokeListener(nullptr);
}

void KaraokeHandOff::OnSongStarted(const decoders::TrackInfo& track) {
  display_.SongLoaded(track.path);
}

void KaraokeHandOff::OnReset() { display_.Update(0); }

void KaraokeHandOff::OnPosition(double seconds) {
  if (!std::isfinite(seconds)) return;
  display_.Update(static_cast<int64_t>(seconds * 1000.0));
}

void KaraokeHandOff::OnSongInfoChanged(const SongInfo& info) {
  display_.SetDefaultTexts(info.karaoke_title, info.karaoke_album);
}

void KaraokeHandOff::OpenAtStartUp() {
  if (settings::Karaoke().Fetch().window_opened) core_.SetSubWindowOpen(SubWindow::kKaraoke, true);
}

void KaraokeHandOff::OnSubWindowChanged(SubWindow window, bool open) {
  if (window != SubWindow::kKaraoke) return;
  settings::KaraokeSettings karaoke = settings::Karaoke().Fetch();
  if ((karaoke.window_opened != 0) == open) return;
  karaoke.window_opened = open ? 1 : 0;
  settings::Karaoke().Apply(karaoke);
}

}  // namespace player
