// tunewright: plays sound files from the command line, or in its window.
#include <cstdio>
#include <string>
#include <vector>

#include "shell/Application.h"

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (words.size() == 1) {
    const std::string& only = words[0];
    if (only == "--version") {
      std::printf("%s\n", shell::VersionLine().c_str());
      return 0;
    }
    // Linux users ask for help these ways; the template itself stays as it is.
    if (only == "--help" || only == "-h" || only == "?") words = {"--help"};
  }
  return shell::RunApplication(words);
}
