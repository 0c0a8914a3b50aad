// The player core as front ends drive it: return ids, buttons, sliders, queries.
#include <algorithm>
#include <cmath>

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

uint16_t& DisplayField(settings::MainSettings& main, DisplayOption option) {
  switch (option) {
    case DisplayOption::kFileList: return main.file_list;
    case DisplayOption::kArtistAlbum: return main.artist_album;
    case DisplayOption::kFileFormat: return main.file_format;
    case DisplayOption::kFileComment: return main.file_comment;
    case DisplayOption::kVolumeBalance: return main.volume_balance;
    case DisplayOption::kBassTreble: return main.bass_treble;
    case DisplayOption::kTimeSlider: return main.time_slider;
    case DisplayOption::kSizeableWindow: return main.sizeable_window;
    case DisplayOption::kPlaylistWindow: break;
  }
  return main.playlist_window;
}

constexpr double kMinSpeed = 25.0;
constexpr double kMaxSpeed = 400.0;
constexpr double kSeekKeyStep = 10.0;

}  // namespace

bool PlayerCore::PerformReturnId(int id) {
  switch (id) {
    case kReturnQuit:
    case kReturnQuitItem:
      if (file_requester_open_) return false;  // its answer would be lost
      Stop();
      Notify([](PlayerListener& l) { l.OnQuitRequested(); });
      return true;
    case kReturnPlay:
      if (!playing_) return Play();
      if (paused_) Pause(false);
      return true;
    case kReturnPlayPause:
      if (!playing_) return Play();
      Pause(!paused_);
      return true;
    case kReturnStop:
    case kReturnKeyStop: Stop(); return true;
    case kReturnPrev:
    case kReturnKeyPrev:
      if (RowCount() == 0) return false;
      Prev();
      return true;
    case kReturnNext:
    case kReturnKeyNext: return Next();
    default: break;
  }
  return PerformListId(id) || PerformKeyId(id) || PerformWindowId(id);
}

// The list and its files.
bool PlayerCore::PerformListId(int id) {
  switch (id) {
    case kReturnCloseItem:
    case kReturnClose: {
      const int before = RowCount();
      RemoveActive();
      return RowCount() < before;
    }
    case kReturnCloseAllItem:
    case kReturnClear: ClearAll(); return true;
    case kReturnEdit: return PerformEdit();
    case kReturnSave: return SaveToLastPath();
    default: return false;
  }
}

// The numeric-pad keys: sliders, seeking and speed.
bool PlayerCore::PerformKeyId(int id) {
  switch (id) {
    case kReturnVolumeUp: SetVolume(std::min(Volume() + 1, volume_range_)); return true;
    case kReturnVolumeDown: SetVolume(Volume() - 1); return true;
    case kReturnVolumeUnity: SetVolume(64); return true;
    case kReturnBalanceLeft: SetBalance(Balance() - 1); return true;
    case kReturnBalanceRight: SetBalance(Balance() + 1); return true;
    case kReturnBalanceCentre: SetBalance(0); return true;
    case kReturnSeekBack:
    case kReturnSeekForward:
      if (!playing_) return false;
      SeekRelative(id == kReturnSeekBack ? -kSeekKeyStep : kSeekKeyStep, false);
      return true;
    case kReturnSlower: return SetSpeed(std::trunc(speed_) - 1.0);
    case kReturnFaster: return SetSpeed(std::trunc(speed_) + 1.0);
    case kReturnNormalSpeed: return SetSpeed(100.0);
    default: return false;
  }
}

// What only a window can show: requesters, sub-windows, display options.
bool PlayerCore::PerformWindowId(int id) {
  const auto ask = [this](Request request) {
    Notify([request](PlayerListener& l) { l.OnRequest(request); });
    return true;
  };
  switch (id) {
    case kReturnOpen:
    case kReturnSelectFiles:
    case kReturnKeySelectFiles: return ask(Request::kOpenFiles);
    case kReturnAppend: return ask(Request::kAppendFiles);
    case kReturnSaveAs: return ask(Request::kSavePlaylistAs);
    case kReturnAbout: return ask(Request::kAbout);
    case kReturnToolkitAbout: return ask(Request::kToolkitAbout);
    case kReturnOptions: return ask(Request::kOptions);
    case kReturnToolkitSettings: return ask(Request::kToolkitSettings);
    default: break;
  }
  if (id >= kReturnScopes && id <= kReturnDatabase) {
    const auto window = static_cast<SubWindow>(id - kReturnScopes);
    SetSubWindowOpen(window, !IsSubWindowOpen(window));
    return true;
  }
  if (id >= kReturnShowFileList && id <= kReturnShowPlaylistWindow) {
    const auto option = static_cast<DisplayOption>(id - kReturnShowFileList);
    SetDisplayOption(option, !IsDisplayOptionShown(option));
    return true;
  }
  return false;
}

bool PlayerCore::IsDisplayOptionShown(DisplayOption option) const {
  settings::MainSettings main = MainGroup();
  return DisplayField(main, option) != 0;
}

void PlayerCore::SetDisplayOption(DisplayOption option, bool shown) {
  settings::MainSettings main = MainGroup();
  if ((DisplayField(main, option) != 0) == shown) return;
  DisplayField(main, option) = shown;
  settings::Main().Apply(main);
  // The title shows the time only while the slider is hidden.
  if (option == DisplayOption::kTimeSlider && shown) {
    title_countdown_ = 0;
    SetWindowTitle(IdleWindowTitle());
  }
  Notify([option, shown](PlayerListener& l) { l.OnDisplayOptionChanged(option, shown); });
}

bool PlayerCore::IsSubWindowOpen(SubWindow window) const {
  return sub_windows_[static_cast<size_t>(window)];
}

void PlayerCore::SetSubWindowOpen(SubWindow window, bool open) {
  if (IsSubWindowOpen(window) == open) return;
  sub_windows_[static_cast<size_t>(window)] = open;
  Notify([window, open](PlayerListener& l) { l.OnSubWindowChanged(window, open); });
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
  if (button == Button::kPause) {
    Pause(selected);  // tells the listeners itself
    return true;
  }
  const bool changed = IsButtonSelected(button) != selected;
  switch (button) {
    case Button::kPause: break;
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
      break;
    case Button::kIntro:
      UpdateMain([](settings::MainSettings& m, bool v) { m.intro = v; }, selected);
      break;
    case Button::kLoop:
      UpdateMain([](settings::MainSettings& m, bool v) { m.loop = v; }, selected);
      break;
    case Button::kIconify: iconified_ = selected; break;
  }
  if (changed) Notify([button, selected](PlayerListener& l) { l.OnButtonChanged(button, selected); });
  if (button == Button::kRandom && selected) Shuffle();
  return true;
}

// ---------------------------------------------------------------- sliders

void PlayerCore::ApplyVolumes() {
  const settings::AudioSettings& audio = settings::Audio();
  engine_.SetVolume(audio.volume);
  engine_.SetBalance(audio.balance);
}

void PlayerCore::SetLevel(Level level, int32_t* stored, int32_t value) {
  if (*stored == value) return;
  *stored = value;
  Notify([level, value](PlayerListener& l) { l.OnLevelChanged(level, value); });
}

void PlayerCore::SetVolume(int32_t level) {
  SetLevel(Level::kVolume, &settings::Audio().volume, std::clamp(level, 0, 256));
  ApplyVolumes();
}

void PlayerCore::SetVolumeRange(int32_t maximum) {
  const int32_t range = maximum <= 64 ? 64 : maximum <= 128 ? 128 : 256;
  settings::Audio().boost = range > 64;
  SetLevel(Level::kVolumeRange, &volume_range_, range);
  if (Volume() > range) SetVolume(range);  // the slider keeps its value inside
}

void PlayerCore::CycleBoost() { SetVolumeRange(volume_range_ == 256 ? 64 : volume_range_ * 2); }

void PlayerCore::SetBalance(int32_t level) {
  SetLevel(Level::kBalance, &settings::Audio().balance, std::clamp(level, -64, 64));
  ApplyVolumes();
}

void PlayerCore::SetBass(int32_t db) {
  settings::AudioSettings& audio = settings::Audio();
  SetLevel(Level::kBass, &audio.bass, std::clamp(db, -20, 20));
  engine_.SetTone(audio.bass_treble != 0, audio.bass, audio.treble);
}

void PlayerCore::SetTreble(int32_t db) {
  settings::AudioSettings& audio = settings::Audio();
  SetLevel(Level::kTreble, &audio.treble, std::clamp(db, -20, 20));
  engine_.SetTone(audio.bass_treble != 0, audio.bass, audio.treble);
}

void PlayerCore::SetReplayGainMode(int32_t mode) {
  settings::AudioSettings& audio = settings::Audio();
  audio.replaygain = std::clamp(mode, 0, 2);
  engine_.SetReplayGain(audio.replaygain, audio.replaygain_preamp);
}

int32_t PlayerCore::ReplayGainMode() const { return settings::Audio().replaygain; }
int32_t PlayerCore::Volume() const { return settings::Audio().volume; }
int32_t PlayerCore::Balance() const { return settings::Audio().balance; }
int32_t PlayerCore::Bass() const { return settings::Audio().bass; }
int32_t PlayerCore::Treble() const { return settings::Audio().treble; }

bool PlayerCore::Seek(double seconds) {
  if (!playing_ || !std::isfinite(seconds)) return false;
  const double length = static_cast<double>(CurrentDurationSeconds());
  engine_.SeekTo(std::clamp(seconds, 0.0, std::max(0.0, length)));
  position_ = engine_.Time();
  UpdateTimeDisplay();
  return true;
}

bool PlayerCore::SelectRow(int row) {
  if (row < 0 || row >= RowCount()) return false;
  SelectRow(row, true);
  return true;
}

bool PlayerCore::SetSpeed(double percent) {
  if (!playing_ || !std::isfinite(percent)) return false;
  const double speed = std::clamp(percent, kMinSpeed, kMaxSpeed);
  engine_.SetSpeed(speed);
  if (speed != speed_) {
    speed_ = speed;
    Notify([speed](PlayerListener& l) { l.OnSpeedChanged(speed); });
  }
  return true;
}

// ---------------------------------------------------------------- queries

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

void PlayerCore::RemoveListener(PlayerListener* listener) { std::erase(listeners_, listener); }

void PlayerCore::NotifyState() {
  const PlayState state = State();
  if (state == told_state_) return;
  told_state_ = state;
  Notify([state](PlayerListener& l) { l.OnStateChanged(state); });
}

void PlayerCore::NotifySong() {
  const int row = LookUpCurrentRow();
  Notify([row](PlayerListener& l) { l.OnSongChanged(row); });
}

}  // namespace player
