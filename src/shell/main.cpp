// tunewright: plays sound files from the command line, without a window
// (--headless), or in its window.
#include <cstdio>
#include <string>
#include <vector>

#include "karaoke/Lrc.h"
#include "shell/Application.h"

namespace {

// The lyrics converters: "--lrc-to-kok FILE.lrc" and "--kok-to-lrc FILE.kok".
int ConvertLyrics(const std::string& option, const std::string& path) {
  std::string error;
  const bool done = option == "--lrc-to-kok" ? karaoke::ConvertLrcToKok(path, &error)
                                             : karaoke::ConvertKokToLrc(path, &error);
  if (!done) {
    std::fprintf(stderr, "tunewright: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (words.size() == 2 && (words[0] == "--lrc-to-kok" || words[0] == "--kok-to-lrc"))
    return ConvertLyrics(words[0], words[1]);
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
