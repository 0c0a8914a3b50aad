// The audio engine as the command-line run sees it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Signals.h"
#include "shell/CommandLineRun.h"

namespace shell {

// Starts the engine's player task with the current BUFFER_TIME; the engine sets
// notify_bit on main at every state change. Null when the engine cannot start.
// Destroying the result shuts the engine down.
std::unique_ptr<PlaybackEngine> StartPlaybackEngine(platform::Signals& main, uint32_t notify_bit);

}  // namespace shell
