// The headless player core: the playlist with its displayed order, play
// sequencing (play, stop, next, previous, shuffle, intro, loop, the pause between
// songs) and the state the windows show, without any widget. The command port,
// desktop control, the headless run and the windows all drive this one object.
//
// Main task only. The main loop calls OnEngineSignal() when the engine's
// notification bit arrives and Tick() every 250 ms.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
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

  PlayerCore(TransportEngine& engine, IdentifyFn identify, DatabaseLookupFn database = {});

  // Sequencing -------------------------------------------------------------
  void PressPlay();                    // starts the current (or highlighted) row
  void Stop();                         // un-pauses, stops, resets the karaoke display
  void SelectRow(int row, bool restart_if_playing);
  bool Next(bool automatic);           // false at the end of the list
  void Prev();
  void Shuffle();
  void Pause(bool on);
  void EndOfTrackCheck();              // the engine's notification arrived
  void Tick(Clock::time_point now);    // every 250 ms
  void AutoPlayAfterLoading();         // highlight row 0 and play when AUTO_PLAY is on

  // The list -------------------------------------------------------------
  int InsertEntry(PlaylistEntry* entry, int position);  // -1 = bottom; returns the row
  void RemoveActive();
  void RemoveByType(const std::string& type);
  void ClearAll();
  void SetHighlighted(int row);
  int Highlighted() const { return highlighted_; }
  const std::vector<PlaylistEntry*>& rows() const { return view_; }
  std::string RowTitle(int row) const;  // the title pattern for a row
  bool SavePlaylist(const std::string& path);
  const std::string& LastPlaylistPath() const { return last_playlist_path_; }
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

  // PlayerController -------------------------------------------------------
  bool PerformReturnId(int id) override;
  bool IsButtonSelected(Button button) const override;
  bool IsButtonEnabled(Button button) const override;
  bool SetButton(Button button, bool selected) override;
  void AddNames(const std::vector<std::string>& names, bool no_playlist, bool clear_first) override;
  void SetVolume(int32_t level) override;
  void SetBalance(int32_t level) override;
  void SetBass(int32_t db) override;
  void SetTreble(int32_t db) override;
  int32_t Volume() const override;
  int32_t Balance() const override;
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
  bool Play();
  void AddCdTracks(const std::string& disc);  // every audio track of a drive or image
  void InsertCdTracks(std::vector<decoders::TrackPtr> tracks);
  void RemoveRow(int row);
  void UpdateTotals();
  int LookUpCurrentRow() const;
  void StopIfPlaying(const PlaylistEntry* entry);
  void ApplyVolumes();
  void NotifyState();
  void NotifySong();
  void NotifyPlaylist();
  int InterFileSeconds() const;
  int IntroSeconds() const;

  TransportEngine& engine_;
  Playlist playlist_;
  DatabaseLookupFn database_;
  std::vector<PlaylistEntry*> view_;  // display order = play order
  int highlighted_ = -1;
  bool new_since_play_ = false;
  int64_t total_seconds_ = 0;

  bool playing_ = false;
  bool paused_ = false;
  const PlaylistEntry* playing_entry_ = nullptr;
  std::optional<Clock::time_point> pending_next_;
  double speed_ = 100.0;
  double position_ = 0.0;  // the time display, refreshed by Tick
  bool iconified_ = false;

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

}  // namespace player
