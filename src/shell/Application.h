// The program's entry after main: start-up, the windowed or command-line run,
// and shutdown, in their fixed order.
#pragma once

#include <string>
#include <vector>

namespace shell {

// Runs Tunewright with the words after the program name. Always returns 0.
int RunApplication(std::vector<std::string> words);

// The usage text: version line, "Supported formats are:" and the format list.
std::string UsageText();

// "Tunewright <version>"
std::string VersionLine();

}  // namespace shell
