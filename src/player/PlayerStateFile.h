// The player's own state kept from one run to the next: the sound controls, the
// toggles, the playlist and the highlighted row (never the playing position).
// It lives in "Tunewright.state" in the user data folder, beside the settings
// file, which stays the options window's alone. The format is in docs/STATE_FILE.md.
//
// A damaged file is ignored as a whole, with one warning on the error output:
// half a state (the sound controls without the list they went with) would
// surprise more than none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/PlayerCore.h"

namespace player {

struct PlayerState {
  int32_t volume = 64;  // 0..256
  int32_t balance = 0;  // -64..64
  int32_t bass = 0;     // -20..20
  int32_t treble = 0;   // -20..20
  bool filter = false;
  bool expand = false;
  bool random = false;
  bool intro = false;
  bool loop = false;
  std::vector<std::string> rows;  // ".plst" lines, in the displayed order
  int highlighted = -1;           // -1 none
};

// <user data folder>/Tunewright.state
std::string PlayerState_DefaultPath();

std::string PlayerState_Format(const PlayerState& state);
// Nullopt when the text is not a whole, well-formed state.
std::optional<PlayerState> PlayerState_Parse(const std::string& text);

// Nullopt when the file is missing (silently) or damaged (with one warning on stderr).
std::optional<PlayerState> PlayerState_Load(const std::string& path);
// Written atomically; false (the old file kept) when it cannot be written.
bool PlayerState_Save(const std::string& path, const PlayerState& state);

// One run's keeping of the state. Made before the command line's values are
// applied (it applies the saved controls), started once the core exists, saved
// at quit. Values the command line set hold for this run only: one the user did
// not change while running is saved as it was before the command line.
class PlayerStateKeeper {
 public:
  explicit PlayerStateKeeper(std::string path);
  // Remembers the values of this run's start; restores the saved playlist when
  // restore_rows (a run given names plays those instead). True when rows came back.
  bool Start(PlayerCore& core, bool restore_rows);
  bool Save(const PlayerCore& core) const;

 private:
  std::string path_;
  std::optional<PlayerState> saved_;
  PlayerState before_command_line_;
  PlayerState at_start_;
};

// What the core and the settings hold now.
PlayerState PlayerState_Capture(const PlayerCore& core);
// The sound controls and toggles into the settings (before the engine plays and
// before the command line's own values are applied over them).
void PlayerState_ApplyControls(const PlayerState& state);
// The playlist into an empty core, the highlighted row highlighted.
void PlayerState_RestoreRows(PlayerCore& core, const PlayerState& state);

}  // namespace player
