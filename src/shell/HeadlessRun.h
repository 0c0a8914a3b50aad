// The headless run: the player core without a window. It loads the names into
// the playlist and plays through them with the sequencing settings (random,
// loop, intro, the pause between songs), printing one information line per
// song. With names it ends when the list has played out; without names it waits
// for commands (the command port) until "quit" or Ctrl-C.
#pragma once

#include <string>
#include <vector>

#include "platform/Signals.h"
#include "player/MainLoop.h"

namespace shell {

struct HeadlessRun {
  platform::Signals* signals = nullptr;
  uint32_t engine_bit = 0;
  int32_t verbosity = 1;
  std::vector<player::PollSource*> sources;  // the command port, desktop control
  // Lets the caller attach its sources to the core once it exists.
  std::function<void(player::PlayerCore&)> on_core_ready;
};

void RunHeadless(const HeadlessRun& run, const std::vector<std::string>& names);

}  // namespace shell
