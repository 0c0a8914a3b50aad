#include "player/PlayerCore.h"

#include <algorithm>
#include <cmath>

#include "settings/SettingsGroups.h"

namespace player {
namespace {

constexpr int kStateFinished = 4;
constexpr uint64_t kDiscPollTicks = 20;  // 5 s

settings::MainSettings MainGroup() { return settings::Main().Fetch(); }


}  // namespace

PlayerCore::PlayerCore(TransportEngine& engine, IdentifyFn identify, DatabaseLookupFn database)
    : engine_(engine), database_(std::move(database)) {
  playlist_.identify = std::move(identify);
}

// ---------------------------------------------------------------- sequencing

void PlayerCore::PressPlay() { Play(); }

bool PlayerCore::Play() {
  if (playing_) return true;
  pending_next_.reset();
  if (new_since_play_) {
    new_since_play_ = false;
    if (MainGroup().random) Shuffle();
  }
  int row = LookUpCurrentRow();
  if (row < 0) row = highlighted_;
  PlaylistEntry* entry = row >= 0 && row < RowCount() ? view_[static_cast<size_t>(row)] : nullptr;
  if (!entry) {
    Stop();
    return false;
  }
  playlist_.current = entry;
  const decoders::TrackInfo* track = Entry_GetTrackInfo(playlist_, entry);
  position_ = 0.0;
  if (!track || !engine_.Play(*track)) {
    Stop();
    NotifySong();
    return false;
  }
  playing_ = true;
  paused_ = false;
  playing_entry_ = entry;
  if (karaoke_) karaoke_->OnSongStarted(*track);
  if (song_started_) song_started_(*track);
  NotifySong();
  NotifyState();
  return true;
}

void PlayerCore::Stop() {
  pending_next_.reset();
  if (paused_) {
    engine_.Pause(false);
    paused_ = false;
  }
  const bool was_playing = playing_;
  if (playing_) engine_.Stop();
  playing_ = false;
  playing_entry_ = nullptr;
  if (karaoke_) karaoke_->OnReset();
  if (was_playing) NotifyState();
}

void PlayerCore::SelectRow(int row, bool restart_if_playing) {
  if (row < 0 || row >= RowCount()) return;
  pending_next_.reset();
  playlist_.current = view_[static_cast<size_t>(row)];
  NotifySong();
  if (restart_if_playing && playing_) {
    Stop();
    PressPlay();
  }
}

bool PlayerCore::Next(bool automatic) {
  const int rows = RowCount();
  const int current = LookUpCurrentRow();
  int candidate = -1;
  if (rows > 0 && current < rows - 1) {
    candidate = current + 1;
  } else if (rows > 0 && MainGroup().loop) {
    candidate = 0;
  }
  if (candidate < 0) return false;
  if (automatic && InterFileSeconds() > 0) {
    pending_next_ = Clock::now();
    return true;
  }
  SelectRow(candidate, true);
  return true;
}

void PlayerCore::Prev() {
  const int current = LookUpCurrentRow();
  const auto shown = static_cast<uint64_t>(std::max(0.0, position_));
  const int target = current > 0 && shown <= static_cast<uint64_t>(IntroSeconds()) ? current - 1
                                                                                    : current;
  SelectRow(target, true);
}

void PlayerCore::Shuffle() {
  // Fisher-Yates: every order equally likely. The highlight stays on its row index.
  for (size_t i = view_.size(); i > 1; --i) {
    std::uniform_int_distribution<size_t> pick(0, i - 1);
    std::swap(view_[i - 1], view_[pick(random_)]);
  }
  UpdateTotals();
  NotifyPlaylist();
  NotifySong();
}

void PlayerCore::Pause(bool on) {
  if (!playing_ || paused_ == on) return;
  engine_.Pause(on);
  paused_ = on;
  NotifyState();
}

void PlayerCore::EndOfTrackCheck() {
  if (!playing_ || engine_.State() != kStateFinished) return;
  if (!Next(true)) Stop();
}

void PlayerCore::Tick(Clock::time_point now) {
  if (++ticks_ % kDiscPollTicks == 0 && disc_poll_) disc_poll_();
  if (!playing_) return;
  position_ = engine_.Time();
  if (karaoke_) karaoke_->OnPosition(position_);
  if (pending_next_) {
    if (now - *pending_next_ > std::chrono::seconds(InterFileSeconds())) {
      pending_next_.reset();
      if (!Next(false)) Stop();
    }
    return;
  }
  if (MainGroup().intro && static_cast<int64_t>(position_) > IntroSeconds()) {
    if (!Next(false)) Stop();
  }
}

void PlayerCore::AutoPlayAfterLoading() {
  if (!view_.empty()) SetHighlighted(0);
  if (MainGroup().auto_play && highlighted_ >= 0) PressPlay();
}

int PlayerCore::InterFileSeconds() const { return std::clamp(MainGroup().inter_file, 0, 5); }
int PlayerCore::IntroSeconds() const { return std::clamp(MainGroup().intro_duration, 1, 60); }

// ---------------------------------------------------------------- the list

int PlayerCore::InsertEntry(PlaylistEntry* entry, int position) {
  if (position < 0 || position > RowCount()) position = RowCount();
  view_.insert(view_.begin() + position, entry);
  if (highlighted_ < 0) {
    new_since_play_ = true;
    highlighted_ = 0;
  } else if (position <= highlighted_) {
    ++highlighted_;
  }
  return position;
}

void PlayerCore::StopIfPlaying(const PlaylistEntry* entry) {
  if (playing_ && entry == playing_entry_) Stop();
}

void PlayerCore::RemoveRow(int row) {
  PlaylistEntry* entry = view_[static_cast<size_t>(row)];
  StopIfPlaying(entry);
  if (playlist_.current == entry) pending_next_.reset();
  view_.erase(view_.begin() + row);
  Playlist_Remove(playlist_, entry);
  // The highlight stays on its entry when a row above it goes.
  if (row < highlighted_) --highlighted_;
  if (highlighted_ >= RowCount()) highlighted_ = RowCount() - 1;
}

void PlayerCore::RemoveActive() {
  if (highlighted_ < 0 || highlighted_ >= RowCount()) return;
  RemoveRow(highlighted_);
  UpdateTotals();
  NotifyPlaylist();
  NotifySong();
}

void PlayerCore::RemoveByType(const std::string& type) {
  for (int row = RowCount() - 1; row >= 0; --row) {
    if (Entry_GetField(view_[static_cast<size_t>(row)], kFieldType) == type) RemoveRow(row);
  }
  UpdateTotals();
  NotifyPlaylist();
  NotifySong();
}

void PlayerCore::ClearAll() {
  Stop();
  view_.clear();
  Playlist_Clear(playlist_);
  highlighted_ = -1;
  UpdateTotals();
  NotifyPlaylist();
  NotifySong();
}

void PlayerCore::SetHighlighted(int row) {
  if (row < -1 || row >= RowCount()) return;
  highlighted_ = row;
  // While stopped, the highlighted row is the one that will play.
  if (!playing_ && row >= 0) {
    playlist_.current = view_[static_cast<size_t>(row)];
    NotifySong();
  }
}

std::string PlayerCore::RowTitle(int row) const {
  if (row < 0 || row >= RowCount()) return {};
  return ExpandTitlePattern(playlist_, view_[static_cast<size_t>(row)], MainGroup().list_pattern);
}

bool PlayerCore::SavePlaylist(const std::string& path) {
  const std::vector<const PlaylistEntry*> rows(view_.begin(), view_.end());
  if (Playlist_Save(rows, path, {}) != 1) return false;
  last_playlist_path_ = path;
  return true;
}

const decoders::TrackInfo* PlayerCore::PlayingTrack() const {
  return playing_entry_ ? playing_entry_->track.get() : nullptr;
}

void PlayerCore::UpdateTotals() {
  int64_t total = 0;
  for (const PlaylistEntry* entry : view_) {
    const int64_t seconds = Entry_Duration(entry);
    total = seconds > INT64_MAX - total ? INT64_MAX : total + seconds;
  }
  total_seconds_ = total;
}

int PlayerCore::LookUpCurrentRow() const {
  if (!playlist_.current) return -1;
  const auto found = std::find(view_.begin(), view_.end(), playlist_.current);
  return found == view_.end() ? -1 : static_cast<int>(found - view_.begin());
}

}  // namespace player
