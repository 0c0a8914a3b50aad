// The player as every front end drives it: the command port, desktop control
// (MPRIS), the headless run and the windows. One object implements it (the
// headless player core); all calls come from the main task's loop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace player {

// The ids that menus, keys and the command port send to the main loop.
enum ReturnId : int {
  kReturnQuit = -1,
  kReturnOpen = 2,
  kReturnEdit = 3,
  kReturnCloseItem = 4,
  kReturnCloseAllItem = 5,
  kReturnAbout = 6,
  kReturnToolkitAbout = 7,
  kReturnQuitItem = 8,
  kReturnScopes = 10,
  kReturnKaraoke = 11,
  kReturnKaraokeEditor = 12,
  kReturnDatabase = 13,
  kReturnSelectFiles = 15,
  kReturnSave = 16,
  kReturnSaveAs = 17,
  kReturnAppend = 18,
  kReturnOptions = 20,
  kReturnToolkitSettings = 21,
  kReturnShowFileList = 23,  // 23..31: the DISPLAY check marks, in DisplayOption order
  kReturnShowPlaylistWindow = 31,
  kReturnKeyPrev = 33,
  kReturnKeyNext = 34,
  kReturnVolumeUp = 35,
  kReturnVolumeDown = 36,
  kReturnVolumeUnity = 37,
  kReturnBalanceLeft = 38,
  kReturnBalanceRight = 39,
  kReturnBalanceCentre = 40,
  kReturnPlayPause = 41,
  kReturnKeyStop = 42,
  kReturnKeySelectFiles = 43,
  kReturnSeekBack = 44,
  kReturnSeekForward = 45,
  kReturnSlower = 46,
  kReturnFaster = 47,
  kReturnNormalSpeed = 48,
  kReturnPlay = 49,
  kReturnStop = 50,
  kReturnClear = 51,
  kReturnClose = 52,
  kReturnPrev = 53,
  kReturnNext = 54,
};

// Stopped: Play released and enabled, Pause released and disabled.
// Playing (also while waiting between songs): Play selected and disabled, Pause enabled.
// Paused: Play and Pause selected; Stop and the step buttons disabled.
enum class PlayState { kStopped, kPlaying, kPaused };

// The two-state buttons a command can set.
enum class Button { kPause, kFilter, kExpand, kRandom, kIntro, kLoop, kIconify };

// The sliders; kVolumeRange is the volume slider's maximum (64, 128 or 256),
// which is also the boost button's state (selected above 64).
enum class Level { kVolume, kVolumeRange, kBalance, kBass, kTreble };

// The DISPLAY options, in the order of their menu items (ids 23..31).
enum class DisplayOption {
  kFileList, kArtistAlbum, kFileFormat, kFileComment, kVolumeBalance, kBassTreble,
  kTimeSlider, kSizeableWindow, kPlaylistWindow
};

// The windows of the "Windows" menu (ids 10..13).
enum class SubWindow { kScopes, kKaraoke, kKaraokeEditor, kDatabase };

// Dialogs only a front end can show; the controller asks for them.
enum class Request {
  kOpenFiles,        // select files replacing the list: then OpenSelected(names, false)
  kAppendFiles,      // select files for the bottom: then OpenSelected(names, true)
  kSavePlaylistAs,   // ask for a path: then SavePlaylist(path, ask)
  kAbout,            // show AboutText()
  kToolkitAbout,
  kOptions,
  kToolkitSettings,
};

enum class PlayFailure {
  kNotPlayable,    // the file is gone or no format accepts it
  kEngineRefused,  // the audio engine could not start it
};

// A row's identity while it stays in the list: never reused, 0 for none.
using RowId = uint64_t;

// One row of the list as a window shows it: no formatting escapes.
struct RowInfo {
  RowId id = 0;
  std::string title;     // the LIST_PATTERN expansion
  std::string duration;  // "MM:SS"
  bool is_current = false;  // the playing (or next to play) row, shown bold
};

// The current-song display. Line 1 reads the artist (bold), a blank and details;
// line 2 the counter, the duration (bold) and the title; without a song, line 2
// is the title alone, centred.
struct SongInfo {
  bool has_song = false;
  std::string artist;
  std::string details;   // "/ Album (Genre) [Year] ", each part only when known
  std::string counter;   // "2/5"; empty when the list has one row
  std::string duration;  // "MM:SS"
  std::string title;     // "Select a song" without a song
  std::string format;    // "RIFF-WAVE  44100Hz/16b Stereo", or "File not available"
  std::string comment;
  int64_t duration_seconds = 0;  // the time slider's maximum
  std::string karaoke_title;     // "Title [Year]"
  std::string karaoke_album;     // "Album (Artist)"
  bool operator==(const SongInfo&) const = default;
};

// Told of changes, on the main task, after they took effect. Row numbers are
// display rows counted from 0, valid at the time of the call (a Qt model can
// begin and end its change inside the call). Any number may listen.
class PlayerListener {
 public:
  virtual ~PlayerListener() = default;
  virtual void OnStateChanged(PlayState) {}
  virtual void OnSongChanged(int /*row, from 0; -1 none*/) {}
  virtual void OnPlaylistChanged(int /*rows*/) {}  // after any change of rows or totals
  virtual void OnRowsInserted(int /*first*/, int /*count*/) {}
  virtual void OnRowsRemoved(int /*first*/, int /*count*/) {}
  virtual void OnRowMoved(int /*from*/, int /*to*/) {}
  virtual void OnRowChanged(int /*row*/) {}  // its texts or its is-current flag
  virtual void OnRowsReordered() {}          // shuffled: every row may be elsewhere
  virtual void OnHighlightChanged(int /*row; -1 none*/) {}
  virtual void OnLevelChanged(Level, int32_t /*value*/) {}
  virtual void OnButtonChanged(Button, bool /*selected*/) {}
  virtual void OnSpeedChanged(double /*percent*/) {}
  virtual void OnDisplayOptionChanged(DisplayOption, bool /*shown*/) {}
  virtual void OnSubWindowChanged(SubWindow, bool /*open*/) {}
  virtual void OnSongInfoChanged(const SongInfo&) {}
  virtual void OnTimeChanged(int64_t /*seconds shown by the time slider*/) {}
  virtual void OnWindowTitleChanged(const std::string&) {}
  virtual void OnDiscChanged(const std::string& /*disc key; empty when none*/) {}
  virtual void OnSongFailed(int /*row*/, const std::string& /*path*/, PlayFailure) {}
  virtual void OnRequest(Request) {}
  virtual void OnQuitRequested() {}
};

class PlayerController {
 public:
  virtual ~PlayerController() = default;

  // Performs a return id at once. False when it could not take effect (for
  // example next at the end of the list, or quit while a file requester is open).
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
  // The volume slider's maximum: 64, 128 or 256 (other values take the next above).
  virtual void SetVolumeRange(int32_t maximum) = 0;
  virtual void SetBalance(int32_t level) = 0;
  virtual void SetBass(int32_t db) = 0;
  virtual void SetTreble(int32_t db) = 0;
  virtual int32_t Volume() const = 0;
  virtual int32_t Balance() const = 0;
  virtual int32_t Bass() const = 0;
  virtual int32_t Treble() const = 0;
  // REPLAYGAIN: 0 off, 1 track, 2 album (other values are clamped); the playing song
  // takes it at once.
  virtual void SetReplayGainMode(int32_t mode) = 0;
  virtual int32_t ReplayGainMode() const = 0;

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
