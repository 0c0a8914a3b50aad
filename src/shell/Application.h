// The program's entry after main: start-up, the windowed or command-line run,
// and shutdown, in their fixed order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Signals.h"
#include "shell/StartupOptions.h"

namespace player {
class PlayerStateKeeper;
}

namespace shell {

// Exit codes of the program.
inline constexpr int kExitDone = 0;      // every name played, or Ctrl-C ended the run
inline constexpr int kExitFailed = 1;    // a name could not be played, or nothing could start
inline constexpr int kExitUsage = 2;     // the command line does not match the template

// What the windowed run is handed once the engine runs: the options, the main
// task's signals and the bit the engine sets at each of its state changes.
struct WindowedStart {
  const StartupOptions& options;
  platform::Signals& signals;
  uint32_t engine_bit;
  player::PlayerStateKeeper* state;  // restored at start, saved at quit; may be null
};
// Runs the windows until quit; returns the exit code.
using WindowedRunner = int (*)(const WindowedStart& start);

// The windows live in a library of their own, which registers its run here; a
// build without them tells the user what to run instead.
void SetWindowedRunner(WindowedRunner runner);

// Runs Tunewright with the words after the program name; returns the exit code.
int RunApplication(std::vector<std::string> words);

// The usage text: version line, "Supported formats are:" and the format list.
std::string UsageText();
// "--help": the usage text, then one line per option of the template.
std::string HelpText();

// "Tunewright <version>"
std::string VersionLine();

}  // namespace shell
