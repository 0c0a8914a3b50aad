// The player as every front end drives it: the command port, desktop control
// (MPRIS), the headless run and the windows. One object implements it (the
// headless player core); all calls come from the main task's loop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace player {

// The return ids that menus, keys and the command port send to the main loop.
enum ReturnId : int {
  kReturnQuit = -1,
  kReturnPlay = 49,
  kReturnStop = 50,
  kReturnClear = 51,
  kReturnClose = 52,
  kReturnPrev = 53,
  kReturnNext = 54,
};

enum class PlayState { kStopped, kPlaying, kPaused };

// The two-state buttons a command can set.
enum class Button { kPause, kFilter, kExpand, kRandom, kIntro, kLoop, kIconify };

// Told of changes, on the main task, after they took effect.
class PlayerListener {
 public:
  virtual ~PlayerListener() = default;
  virtual void OnStateChanged(PlayState) {}
  virtual void OnSongChanged(int /*row, from 0; -1 none*/) {}
  virtual void OnPlaylistChanged(int /*rows*/) {}
  virtual void OnQuitRequested() {}
};

class PlayerController {
 public:
  virtual ~PlayerController() = default;

  // Performs a return id at once (play, stop, clear, close, prev, next, quit).
  // False when it could not take effect (for example next at the end of the list).
  virtual bool PerformReturnId(int id) = 0;

  virtual bool IsButtonSelected(Button button) const = 0;
  virtual bool IsButtonEnabled(Button button) const = 0;
  // Sets a button as a click would, with the button's own effect. False when disabled.
  virtual bool SetButton(Button button, bool selected) = 0;

  // Adds each name (file, folder or playlist) at the bottom; clear_first empties the list.
  virtual void AddNames(const std::vector<std::string>& names, bool no_playlist,
                        bool clear_first) = 0;

  // Sliders: values are clamped into their ranges (volume 0..256, 64 = unity;
  // balance -64..64; bass and treble -20..20 dB).
  virtual void SetVolume(int32_t level) = 0;
  virtual void SetBalance(int32_t level) = 0;
  virtual void SetBass(int32_t db) = 0;
  virtual void SetTreble(int32_t db) = 0;
  virtual int32_t Volume() const = 0;
  virtual int32_t Balance() const = 0;
  virtual int32_t Bass() const = 0;
  virtual int32_t Treble() const = 0;

  // Seeks in the playing song, clamped into it. False when nothing plays or seconds is not finite.
  virtual bool Seek(double seconds) = 0;
  // Makes row (from 0) current, restarting playback when playing. False outside the list.
  virtual bool SelectRow(int row) = 0;
  // Speed in percent, clamped to 25..400; false when no song is open or not finite.
  virtual bool SetSpeed(double percent) = 0;
  virtual double Speed() const = 0;

  virtual PlayState State() const = 0;
  virtual double PositionSeconds() const = 0;  // of the playing song
  virtual int CurrentRow() const = 0;          // -1 when none
  virtual std::string CurrentField(int field_id) const = 0;  // EntryField of the current entry
  virtual int64_t CurrentDurationSeconds() const = 0;
  virtual int RowCount() const = 0;
  virtual int64_t TotalSeconds() const = 0;
  virtual std::string CdId() const = 0;
  virtual int64_t CdLengthSeconds() const = 0;

  virtual void AddListener(PlayerListener* listener) = 0;
  virtual void RemoveListener(PlayerListener* listener) = 0;
};

}  // namespace player
