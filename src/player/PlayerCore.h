// The headless player core: the playlist with its displayed order, play
// sequencing (play, stop, next, previous, shuffle, intro, loop, the pause between
// songs) and everything the main window shows (row texts, the current-song
// lines, the time display, the window title), without any widget. The command
// port, desktop control, the headless run and the windows all drive this one
// object and listen to it.
//
// Main task only. The main loop calls EndOfTrackCheck() when the engine's
// notification bit arrives and Tick() every 250 ms; both take the time from the
// caller, so tests drive them with a clock of their own.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cdda/CdPoller.h"
#include "player/PlayerController.h"
#include "player/Playlist.h"
#include "player/PlaylistFiles.h"
#include "player/TransportEngine.h"

namespace player {

class PlayerCore : public PlayerController {
 public:
  using Clock = std::chrono::steady_clock;
  // Asked before an existing playlist file is replaced; false keeps it.
  using AskOverwriteFn = std::function<bool(const std::string& path)>;

  PlayerCore(TransportEngine& engine, IdentifyFn identify, DatabaseLookupFn database = {});

  // Start-up: an empty list gets the INITIAL_FILE setting, then row 0 is
  // highlighted and AUTO_PLAY applied.
  void StartUp();

  // Sequencing -------------------------------------------------------------
  void PressPlay();                    // starts the current (or highlighted) row
  void Stop();                         // un-pauses, stops, resets the karaoke display
  void SelectRow(int row, bool restart_if_playing);
  bool Next();                         // at once; false at the end of the list
  void Prev();
  void Shuffle();
  void Pause(bool on);
  // The engine's notification arrived: a finished song advances (after the
  // inter-file delay, counted from now).
  void EndOfTrackCheck(Clock::time_point now);
  void Tick(Clock::time_point now);    // every 250 ms
  void AutoPlayAfterLoading();         // highlight row 0 and play when AUTO_PLAY is on
  // Double-click: highlights row and (re)starts it.
  void ActivateRow(int row);
  // A step button's notification, repeated while it is held: a click jumps 10 s,
  // holding scans in 0.8 s steps after one second.
  void Step(bool forward, bool held, Clock::time_point now);
  // While the time slider is pressed the time display leaves it alone; releasing
  // it while playing seeks to its value.
  void PressTimeSlider();
  void ReleaseTimeSlider(double seconds);

  // The list -------------------------------------------------------------
  int InsertEntry(PlaylistEntry* entry, int position);  // -1 = bottom; returns the row
  // Names (files, folders, playlists) inserted from row on (-1: bottom), as a
  // drop does: playback starts by itself only when the list was empty and
  // AUTO_PLAY is on. Returns the row after the last one inserted.
  int InsertNames(const std::vector<std::string>& names, int row);
  // The Open (append false: replaces the list) and Append file requesters'
  // result; karaoke files are skipped.
  void OpenSelected(const std::vector<std::string>& names, bool append);
  void RemoveActive();
  void RemoveByType(const std::string& type);
  void ClearAll();
  void ReloadCd();  // the CD button: the drive's tracks replace the CD rows
  bool MoveRow(int from, int to);
  void SetHighlighted(int row);  // while stopped it also becomes the current row
  int Highlighted() const { return highlighted_; }
  RowId RowIdAt(int row) const;  // 0 outside the list
  int RowOf(RowId id) const;     // -1 when the row is gone
  RowInfo Row(int row) const;    // empty outside the list
  // The row's track, identified now when needed; null when it cannot be. Valid
  // until the list next changes.
  const decoders::TrackInfo* RowTrack(RowId id);
  void RefreshRow(RowId id);  // re-reads the row's tags
  void RefreshCdRows();       // re-reads every CD track's titles
  // The editor closed: with changed, the remembered row (if still there) is
  // re-read; with extra too, every CD row. The remembered row is forgotten.
  void AfterEdit(bool changed, bool extra);
  bool SavePlaylist(const std::string& path, const AskOverwriteFn& ask = {});
  const std::string& LastPlaylistPath() const { return last_playlist_path_; }

  // What the window shows ----------------------------------------------------
  const SongInfo& CurrentSongInfo() const { return song_info_; }
  const std::string& WindowTitle() const { return window_title_; }
  int64_t TimeShown() const { return time_shown_; }
  int32_t VolumeRange() const { return volume_range_; }
  void CycleBoost();  // 64 -> 128 -> 256 -> 64, keeping the volume inside
  bool IsDisplayOptionShown(DisplayOption option) const;
  void SetDisplayOption(DisplayOption option, bool shown);
  bool IsSubWindowOpen(SubWindow window) const;
  void SetSubWindowOpen(SubWindow window, bool open);
  // While a file requester is open, quit is refused so its answer is not lost.
  void SetFileRequesterOpen(bool open) { file_requester_open_ = open; }
  static std::string AboutText();
  static std::string IdleWindowTitle();

  void SetRandomSeed(uint32_t seed) { random_.seed(seed); }
  void SetKaraokeListener(KaraokeListener* listener) { karaoke_ = listener; }
  // Called each time a song starts playing (the headless run prints its line).
  void SetSongStartedCallback(std::function<void(const decoders::TrackInfo&)> callback) {
    song_started_ = std::move(callback);
  }
  bool IsPlaying() const { return playing_; }
  const decoders::TrackInfo* PlayingTrack() const;

  // Disc changes (DiscPoll.cpp). The hook starts a poll every 20th tick; the
  // poll's result comes back here on the main task.
  void SetDiscPollHook(std::function<void()> hook) { disc_poll_ = std::move(hook); }
  void ApplyDiscChange(cdda::DiscChange change);
  // Playlist lines (".plst" format) added at the bottom without playing, then the
  // highlight put on a row: the saved state coming back.
  void RestoreRows(const std::vector<std::string>& lines, int highlighted);
  // Every row as its playlist line, in the displayed order.
  std::vector<std::string> RowLines() const;

  // PlayerController -------------------------------------------------------
  bool PerformReturnId(int id) override;
  bool IsButtonSelected(Button button) const override;
  bool IsButtonEnabled(Button button) const override;
  bool SetButton(Button button, bool selected) override;
  void AddNames(const std::vector<std::string>& names, bool no_playlist, bool clear_first) override;
  void SetVolume(int32_t level) override;
  void SetVolumeRange(int32_t maximum) override;
  void SetBalance(int32_t level) override;
  void SetBass(int32_t db) override;
  void SetTreble(int32_t db) override;
  int32_t Volume() const override;
  int32_t Balance() const override;
  void SetReplayGainMode(int32_t mode) override;
  int32_t ReplayGainMode() const override;
  int32_t Bass() const override;
  int32_t Treble() const override;
  bool Seek(double seconds) override;
  bool SelectRow(int row) override;
  bool SetSpeed(double percent) override;
  double Speed() const override { return speed_; }
  PlayState State() const override;
  double PositionSeconds() const override;
  int CurrentRow() const override;
  std::string CurrentField(int field_id) const override;
  int64_t CurrentDurationSeconds() const override;
  int RowCount() const override { return static_cast<int>(view_.size()); }
  int64_t TotalSeconds() const override { return total_seconds_; }
  std::string CdId() const override { return cd_id_; }
  int64_t CdLengthSeconds() const override { return cd_length_; }
  void AddListener(PlayerListener* listener) override;
  void RemoveListener(PlayerListener* listener) override;

 private:
  struct ViewRow {
    RowId id;
    PlaylistEntry* entry;
  };
  enum class StepState { kIdle, kHeld, kRepeatStart, kRepeating };

  bool Play();
  bool StopQuietly();  // true when something was playing
  void Restart();      // stops and plays the current row
  bool Advance(bool automatic, Clock::time_point now);
  bool PerformListId(int id);
  bool PerformKeyId(int id);
  bool PerformWindowId(int id);
  bool PerformEdit();
  static void OnEditorChanged(void* user);  // the editor's completion routine
  bool SaveToLastPath();
  int AddNamesAt(const std::vector<std::string>& names, bool no_playlist, int position);
  int AddCdTracks(std::vector<decoders::TrackPtr> tracks, int position);  // returns the next row
  void RemoveRow(int row);
  void SetCurrent(PlaylistEntry* entry);
  void SetHighlightIndex(int row);
  void ListChanged();  // totals, the current-song lines, OnPlaylistChanged
  void UpdateTotals();
  int LookUpCurrentRow() const;
  PlaylistEntry* EntryAt(int row) const;
  void StopIfPlaying(const PlaylistEntry* entry);
  void ApplyVolumes();
  void SetLevel(Level level, int32_t* stored, int32_t value);
  void RefreshEntry(int row);
  decoders::TrackInfo* IdentifyRow(int row);  // identifies now; refreshes what it changes
  void SeekRelative(double seconds, bool fine);

  // The window's texts (PlayerDisplay.cpp).
  void RefreshSongInfo();
  SongInfo BuildSongInfo() const;
  void UpdateTimeDisplay();
  void ShowTime(int64_t seconds);
  void ShowPausedTitle();
  void ShowStoppedTitle();
  void SetWindowTitle(const std::string& title);

  void NotifyState();
  void NotifySong();
  template <typename F>
  void Notify(F&& f);
  int InterFileSeconds() const;
  int IntroSeconds() const;

  TransportEngine& engine_;
  Playlist playlist_;
  DatabaseLookupFn database_;
  std::vector<ViewRow> view_;  // display order = play order
  RowId next_id_ = 1;
  int highlighted_ = -1;
  bool new_since_play_ = false;
  int64_t total_seconds_ = 0;
  RowId edited_ = 0;  // the row an editor works on, looked up when it closes
  bool edited_is_cd_ = false;

  bool playing_ = false;
  bool paused_ = false;
  const PlaylistEntry* playing_entry_ = nullptr;
  std::optional<Clock::time_point> pending_next_;
  double speed_ = 100.0;
  double position_ = 0.0;  // the engine's position, read at each tick
  StepState step_ = StepState::kIdle;
  Clock::time_point step_since_;

  SongInfo song_info_;
  std::string window_title_;
  int64_t time_shown_ = 0;
  bool time_slider_pressed_ = false;
  int title_countdown_ = 0;
  int32_t volume_range_ = 64;
  std::array<bool, 4> sub_windows_{};
  bool iconified_ = false;
  bool file_requester_open_ = false;
  PlayState told_state_ = PlayState::kStopped;  // what the listeners heard last

  std::string last_playlist_path_;
  std::string cd_id_;
  int64_t cd_length_ = 0;
  std::mt19937 random_{std::random_device{}()};
  KaraokeListener* karaoke_ = nullptr;
  std::function<void(const decoders::TrackInfo&)> song_started_;
  std::vector<PlayerListener*> listeners_;
  std::function<void()> disc_poll_;
  uint64_t ticks_ = 0;
};

template <typename F>
void PlayerCore::Notify(F&& f) {
  // A copy: a listener may leave (or another join) during the call.
  const std::vector<PlayerListener*> listeners = listeners_;
  for (PlayerListener* listener : listeners) f(*listener);
}

}  // namespace player
