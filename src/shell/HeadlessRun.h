// The headless run: the player core without a window. It loads the names into
// the playlist and plays through them with the sequencing settings (random,
// loop, intro, the pause between songs), printing one information line per
// song. With names it ends when the list has played out; without names it waits
// for commands until "quit" or Ctrl-C. Other programs drive it through the
// command port and, with a session bus, desktop control (MPRIS). The song
// database serves the playlist; the CD drive is polled for disc changes off the
// main task; the player's state comes back from the last run (its playlist only
// when no names are given) and is kept at quit.
#pragma once

#include <string>
#include <vector>

#include "platform/Signals.h"
#include "player/PlayerStateFile.h"

namespace shell {

struct HeadlessRun {
  platform::Signals* signals = nullptr;
  uint32_t engine_bit = 0;
  int32_t verbosity = 1;
  bool serve_port = true;  // the command port and desktop control
  player::PlayerStateKeeper* state = nullptr;  // restored at start, saved at quit
  bool load_database = true;  // the song database named by the AUDIO_BASE settings
};

// Each name that adds no song is reported. False when a name added nothing (with
// nothing to play at all the run ends at once, saying so).
bool RunHeadless(const HeadlessRun& run, const std::vector<std::string>& names);

}  // namespace shell
