// The player core as front ends drive it: buttons, sliders, return ids, queries.
#include <algorithm>
#include <cmath>

#include "cdda/CdCommandLine.h"
#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"

namespace player {
namespace {

settings::MainSettings MainGroup() { return settings::Main().Fetch(); }

void UpdateMain(void (*change)(settings::MainSettings&, bool), bool value) {
  settings::MainSettings main = MainGroup();
  change(main, value);
  settings::Main().Apply(main);
}

constexpr double kMinSpeed = 25.0;
constexpr double kMaxSpeed = 400.0;

}  // namespace


bool PlayerCore::PerformReturnId(int id) {
  switch (id) {
    case kReturnPlay:
      if (!playing_) return Play();
      if (paused_) Pause(false);
      return true;
    case kReturnStop: Stop(); return true;
    case kReturnClear: ClearAll(); return true;
    case kReturnClose: {
      const int before = RowCount();
      RemoveActive();
      return RowCount() < before;
    }
    case kReturnPrev:
      if (RowCount() == 0) return false;
      Prev();
      return true;
    case kReturnNext: return Next(false);
    case kReturnQuit:
      Stop();
      for (PlayerListener* listener : listeners_) listener->OnQuitRequested();
      return true;
    default: return false;
  }
}

bool PlayerCore::IsButtonSelected(Button button) const {
  switch (button) {
    case Button::kPause: return paused_;
    case Button::kFilter: return settings::Audio().filter != 0;
    case Button::kExpand: return settings::Audio().expand != 0;
    case Button::kRandom: return MainGroup().random != 0;
    case Button::kIntro: return MainGroup().intro != 0;
    case Button::kLoop: return MainGroup().loop != 0;
    case Button::kIconify: return iconified_;
  }
  return false;
}

bool PlayerCore::IsButtonEnabled(Button button) const {
  return button != Button::kPause || playing_;
}

bool PlayerCore::SetButton(Button button, bool selected) {
  if (!IsButtonEnabled(button)) return false;
  switch (button) {
    case Button::kPause: Pause(selected); break;
    case Button::kFilter:
      settings::Audio().filter = selected;
      engine_.SetFilter(selected);
      break;
    case Button::kExpand:
      settings::Audio().expand = selected;
      engine_.SetExpand(selected);
      break;
    case Button::kRandom:
      UpdateMain([](settings::MainSettings& m, bool v) { m.random = v; }, selected);
      if (selected) Shuffle();
      break;
    case Button::kIntro:
      UpdateMain([](settings::MainSettings& m, bool v) { m.intro = v; }, selected);
      break;
    case Button::kLoop:
      UpdateMain([](settings::MainSettings& m, bool v) { m.loop = v; }, selected);
      break;
    case Button::kIconify: iconified_ = selected; break;
  }
  return true;
}

void PlayerCore::AddNames(const std::vector<std::string>& names, bool no_playlist,
                          bool clear_first) {
  if (clear_first) ClearAll();
  PlaylistLoader loader(
      playlist_, [this](PlaylistEntry* entry, int position) { return InsertEntry(entry, position); },
      database_, MainGroup().playlist_pattern);
  for (const std::string& name : names) {
    // A CD drive or disc image stands for the disc's audio tracks.
    if (cdda::CDDA_IsDiscName(name)) {
      AddCdTracks(name);
    } else {
      loader.AddPathRecursive(name, no_playlist, -1);
    }
  }
  if (!loader.last_playlist_path().empty()) last_playlist_path_ = loader.last_playlist_path();
  UpdateTotals();
  NotifyPlaylist();
}

void PlayerCore::RestoreRows(const std::vector<std::string>& lines, int highlighted) {
  PlaylistLoader loader(
      playlist_, [this](PlaylistEntry* entry, int position) { return InsertEntry(entry, position); },
      database_, MainGroup().playlist_pattern);
  const bool was_empty = view_.empty();
  int highlighted_row = -1;  // lines whose file is gone add no row
  for (size_t i = 0; i < lines.size(); ++i) {
    const int before = RowCount();
    loader.AddFileOrPlaylist(lines[i], true, -1);
    if (static_cast<int>(i) == highlighted && RowCount() > before) highlighted_row = before;
  }
  // The order comes back as it was: a first Play with random on does not shuffle it.
  if (was_empty) new_since_play_ = false;
  UpdateTotals();
  NotifyPlaylist();
  if (highlighted_row >= 0) SetHighlighted(highlighted_row);
}

void PlayerCore::AddCdTracks(const std::string& disc) {
  InsertCdTracks(cdda::CDDA_ExpandDiscName(disc));
}

void PlayerCore::InsertCdTracks(std::vector<decoders::TrackPtr> tracks) {
  cd_length_ = 0;
  for (decoders::TrackPtr& track : tracks) {
    const std::string key = track->path.substr(0, track->path.rfind('-'));
    PlaylistEntry* entry = Playlist_AddTrack(playlist_, std::move(track));
    if (!entry) continue;
    InsertEntry(entry, -1);
    cd_id_ = key;
    const int64_t seconds = Entry_Duration(entry);
    cd_length_ = seconds > INT64_MAX - cd_length_ ? INT64_MAX : cd_length_ + seconds;
  }
}

void PlayerCore::ApplyVolumes() {
  const settings::AudioSettings& audio = settings::Audio();
  engine_.SetVolume(audio.volume);
  engine_.SetBalance(audio.balance);
}

void PlayerCore::SetVolume(int32_t level) {
  settings::Audio().volume = std::clamp(level, 0, 256);
  ApplyVolumes();
}

void PlayerCore::SetBalance(int32_t level) {
  settings::Audio().balance = std::clamp(level, -64, 64);
  ApplyVolumes();
}

void PlayerCore::SetBass(int32_t db) {
  settings::AudioSettings& audio = settings::Audio();
  audio.bass = std::clamp(db, -20, 20);
  engine_.SetTone(audio.bass_treble != 0, audio.bass, audio.treble);
}

void PlayerCore::SetTreble(int32_t db) {
  settings::AudioSettings& audio = settings::Audio();
  audio.treble = std::clamp(db, -20, 20);
  engine_.SetTone(audio.bass_treble != 0, audio.bass, audio.treble);
}

int32_t PlayerCore::Volume() const { return settings::Audio().volume; }
int32_t PlayerCore::Balance() const { return settings::Audio().balance; }
int32_t PlayerCore::Bass() const { return settings::Audio().bass; }
int32_t PlayerCore::Treble() const { return settings::Audio().treble; }

bool PlayerCore::Seek(double seconds) {
  if (!playing_ || !std::isfinite(seconds)) return false;
  const double length = static_cast<double>(CurrentDurationSeconds());
  engine_.SeekTo(std::clamp(seconds, 0.0, std::max(0.0, length)));
  position_ = engine_.Time();
  return true;
}

bool PlayerCore::SelectRow(int row) {
  if (row < 0 || row >= RowCount()) return false;
  SelectRow(row, true);
  return true;
}

bool PlayerCore::SetSpeed(double percent) {
  if (!playing_ || !std::isfinite(percent)) return false;
  speed_ = std::clamp(percent, kMinSpeed, kMaxSpeed);
  engine_.SetSpeed(speed_);
  return true;
}

PlayState PlayerCore::State() const {
  if (!playing_) return PlayState::kStopped;
  return paused_ ? PlayState::kPaused : PlayState::kPlaying;
}

double PlayerCore::PositionSeconds() const { return playing_ ? engine_.Time() : 0.0; }

int PlayerCore::CurrentRow() const { return LookUpCurrentRow(); }

std::string PlayerCore::CurrentField(int field_id) const {
  return Entry_GetField(playlist_.current, field_id);
}

int64_t PlayerCore::CurrentDurationSeconds() const { return Entry_Duration(playlist_.current); }

void PlayerCore::AddListener(PlayerListener* listener) { listeners_.push_back(listener); }

void PlayerCore::RemoveListener(PlayerListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void PlayerCore::NotifyState() {
  for (PlayerListener* listener : listeners_) listener->OnStateChanged(State());
}

void PlayerCore::NotifySong() {
  const int row = LookUpCurrentRow();
  for (PlayerListener* listener : listeners_) listener->OnSongChanged(row);
}

void PlayerCore::NotifyPlaylist() {
  for (PlayerListener* listener : listeners_) listener->OnPlaylistChanged(RowCount());
}

}  // namespace player
