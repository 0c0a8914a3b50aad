// Play sequencing: play, stop, next, previous, shuffle, intro, loop, the pause
// between songs, the step buttons and the timed checks.
#include "player/PlayerCore.h"

#include <algorithm>
#include <cmath>

#include "settings/SettingsGroups.h"

namespace player {
namespace {

constexpr int kStateFinished = 4;
constexpr uint64_t kDiscPollTicks = 20;  // 5 s
constexpr auto kStepHold = std::chrono::seconds(1);
constexpr double kClickStep = 10.0;
constexpr double kScanStep = 0.8;

settings::MainSettings MainGroup() { return settings::Main().Fetch(); }

int32_t VolumeRangeOf(int32_t volume, bool boost) {
  if (volume > 128) return 256;
  return volume > 64 || boost ? 128 : 64;
}

}  // namespace

PlayerCore::PlayerCore(TransportEngine& engine, IdentifyFn identify, DatabaseLookupFn database)
    : engine_(engine), database_(std::move(database)) {
  playlist_.identify = std::move(identify);
  const settings::AudioSettings& audio = settings::Audio();
  volume_range_ = VolumeRangeOf(audio.volume, audio.boost != 0);
  window_title_ = IdleWindowTitle();
  song_info_ = BuildSongInfo();
}

void PlayerCore::StartUp() {
  const std::string initial = MainGroup().initial_file;
  if (view_.empty() && !initial.empty()) {
    AddNamesAt({initial}, false, -1);
    ListChanged();
  }
  AutoPlayAfterLoading();
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
  PlaylistEntry* entry = EntryAt(row);
  if (!entry) {
    Stop();
    return false;
  }
  SetCurrent(entry);
  const decoders::TrackInfo* track = IdentifyRow(row);
  position_ = 0.0;
  ShowTime(0);
  if (!track || !engine_.Play(*track)) {
    Stop();
    const PlayFailure why = track ? PlayFailure::kEngineRefused : PlayFailure::kNotPlayable;
    const std::string path = Entry_GetField(entry, kFieldFilePath);
    Notify([&](PlayerListener& l) { l.OnSongFailed(row, path, why); });
    return false;
  }
  playing_ = true;
  paused_ = false;
  playing_entry_ = entry;
  step_ = StepState::kIdle;
  if (karaoke_) karaoke_->OnSongStarted(*track);
  if (song_started_) song_started_(*track);
  NotifyState();
  return true;
}

bool PlayerCore::StopQuietly() {
  pending_next_.reset();
  step_ = StepState::kIdle;
  if (paused_) {
    engine_.Pause(false);
    paused_ = false;
    Notify([](PlayerListener& l) { l.OnButtonChanged(Button::kPause, false); });
  }
  const bool was_playing = playing_;
  if (playing_) engine_.Stop();
  playing_ = false;
  playing_entry_ = nullptr;
  if (karaoke_) karaoke_->OnReset();
  return was_playing;
}

void PlayerCore::Stop() {
  if (StopQuietly()) NotifyState();
}

void PlayerCore::Restart() {
  // One song follows another: listeners hear the new song, not a stop between.
  const bool was_playing = StopQuietly();
  if (!Play() && was_playing) NotifyState();
}

void PlayerCore::SelectRow(int row, bool restart_if_playing) {
  if (row < 0 || row >= RowCount()) return;
  pending_next_.reset();
  SetCurrent(EntryAt(row));
  if (restart_if_playing && playing_) Restart();
}

bool PlayerCore::Next() { return Advance(false, {}); }

bool PlayerCore::Advance(bool automatic, Clock::time_point now) {
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
    pending_next_ = now;
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
  Notify([](PlayerListener& l) { l.OnRowsReordered(); });
  NotifySong();
  ListChanged();
}

void PlayerCore::Pause(bool on) {
  if (!playing_ || paused_ == on) return;
  engine_.Pause(on);
  paused_ = on;
  Notify([on](PlayerListener& l) { l.OnButtonChanged(Button::kPause, on); });
  NotifyState();
}

void PlayerCore::EndOfTrackCheck(Clock::time_point now) {
  if (!playing_ || pending_next_ || engine_.State() != kStateFinished) return;
  if (!Advance(true, now)) Stop();
}

void PlayerCore::Tick(Clock::time_point now) {
  if (++ticks_ % kDiscPollTicks == 0 && disc_poll_) disc_poll_();
  if (!playing_) {
    ShowStoppedTitle();
    return;
  }
  position_ = engine_.Time();
  if (karaoke_) karaoke_->OnPosition(position_);
  if (paused_) {
    ShowPausedTitle();
  } else {
    UpdateTimeDisplay();
  }
  if (pending_next_) {
    if (now - *pending_next_ > std::chrono::seconds(InterFileSeconds())) {
      pending_next_.reset();
      if (!Next()) Stop();
    }
    return;
  }
  if (MainGroup().intro && static_cast<int64_t>(position_) > IntroSeconds()) {
    if (!Next()) Stop();
  }
}

void PlayerCore::AutoPlayAfterLoading() {
  if (!view_.empty()) SetHighlighted(0);
  if (MainGroup().auto_play && highlighted_ >= 0) PressPlay();
}

void PlayerCore::ActivateRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  SetHighlighted(row);
  if (row != LookUpCurrentRow()) SelectRow(row, false);
  if (playing_) {
    Restart();
  } else {
    PressPlay();
  }
}

void PlayerCore::Step(bool forward, bool held, Clock::time_point now) {
  if (!playing_ || paused_) return;  // the step buttons are disabled then
  if (!held) engine_.SeekBy(false, 0.0);  // ends a scan
  double step = 0.0;
  switch (step_) {
    case StepState::kIdle:
      if (held) {
        step_since_ = now;
        step_ = StepState::kHeld;
      }
      break;
    case StepState::kHeld:
      if (!held) {
        step_ = StepState::kIdle;
        step = kClickStep;
      } else if (now - step_since_ > kStepHold) {
        step_ = StepState::kRepeatStart;
      }
      break;
    case StepState::kRepeatStart:
      if (held) {
        step_since_ = now;
        step_ = StepState::kRepeating;
        step = kScanStep;
      } else {
        step_ = StepState::kIdle;
      }
      break;
    case StepState::kRepeating:
      if (held) {
        step = kScanStep;
      } else {
        step_ = StepState::kIdle;
      }
      break;
  }
  if (step > 0.0) SeekRelative(forward ? step : -step, step <= kScanStep);
}

void PlayerCore::SeekRelative(double seconds, bool fine) {
  if (!playing_) return;
  engine_.SeekBy(fine, seconds);
  position_ = engine_.Time();
  UpdateTimeDisplay();
}

void PlayerCore::PressTimeSlider() { time_slider_pressed_ = true; }

void PlayerCore::ReleaseTimeSlider(double seconds) {
  time_slider_pressed_ = false;
  if (playing_) Seek(seconds);
}

int PlayerCore::InterFileSeconds() const { return std::clamp(MainGroup().inter_file, 0, 5); }
int PlayerCore::IntroSeconds() const { return std::clamp(MainGroup().intro_duration, 1, 60); }

}  // namespace player
