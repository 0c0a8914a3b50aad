// The program's entry after main: start-up, the windowed or command-line run,
// and shutdown, in their fixed order.
#pragma once

#include <string>
#include <vector>

namespace shell {

// Exit codes of the program.
inline constexpr int kExitDone = 0;      // every name played, or Ctrl-C ended the run
inline constexpr int kExitFailed = 1;    // a name could not be played, or nothing could start
inline constexpr int kExitUsage = 2;     // the command line does not match the template

// Runs Tunewright with the words after the program name; returns the exit code.
int RunApplication(std::vector<std::string> words);

// The usage text: version line, "Supported formats are:" and the format list.
std::string UsageText();
// "--help": the usage text, then one line per option of the template.
std::string HelpText();

// "Tunewright <version>"
std::string VersionLine();

}  // namespace shell
