// The program's entry after main: start-up, the windowed or command-line run,
// and shutdown, in their fixed order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Signals.h"
#include "shell/StartupOptions.h"

namespace shell {

// What the windowed run is handed once the engine runs: the options, the main
// task's signals and the bit the engine sets at each of its state changes.
struct WindowedStart {
  const StartupOptions& options;
  platform::Signals& signals;
  uint32_t engine_bit;
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

// "Tunewright <version>"
std::string VersionLine();

}  // namespace shell
