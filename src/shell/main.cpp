// tunewright: plays sound files from the command line, without a window
// (--headless), or in its window.
#include <cstdio>
#include <string>
#include <vector>

#include <cstdlib>
#include <iostream>

#include "karaoke/Lrc.h"
#include "port/SendClient.h"
#include "shell/Application.h"
#ifdef TUNEWRIGHT_HAVE_GUI
#include "gui/WindowedRun.h"
#endif

namespace {

// The lyrics converters: "--lrc-to-kok FILE.lrc" and "--kok-to-lrc FILE.kok".
int ConvertLyrics(const std::string& option, const std::string& path) {
  std::string written;
  std::string error;
  const bool done = option == "--lrc-to-kok" ? karaoke::ConvertLrcToKok(path, &error, &written)
                                             : karaoke::ConvertKokToLrc(path, &error, &written);
  if (!done) {
    std::fprintf(stderr, "tunewright: %s\n", error.c_str());
    return shell::kExitFailed;
  }
  std::printf("Wrote '%s'\n", written.c_str());
  return shell::kExitDone;
}

// "--send COMMAND" (repeatable) with "--port N": a client of a running player.
// Returns -1 when the words are not a client's.
int SendCommands(const std::vector<std::string>& words) {
  std::vector<std::string> commands;
  int port = 1;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i + 1 >= words.size()) return -1;
    if (words[i] == "--send") {
      commands.push_back(words[++i]);
    } else if (words[i] == "--port") {
      char* end = nullptr;
      const long number = std::strtol(words[++i].c_str(), &end, 10);
      if (*end != '\0' || number < 1 || number > 99) return -1;
      port = static_cast<int>(number);
    } else {
      return -1;
    }
  }
  if (commands.empty()) return -1;
  return port::RunSendClient(commands, port, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (!words.empty() && (words[0] == "--lrc-to-kok" || words[0] == "--kok-to-lrc")) {
    if (words.size() == 2) return ConvertLyrics(words[0], words[1]);
    std::fprintf(stderr, "usage: tunewright %s FILE\n", words[0].c_str());
    return shell::kExitUsage;
  }
  if (!words.empty() && (words[0] == "--send" || words[0] == "--port")) {
    const int code = SendCommands(words);
    if (code >= 0) return code;
    std::fprintf(stderr, "usage: tunewright --send \"COMMAND ARGS\" [--send ...] [--port N]\n");
    return 10;
  }
  if (words.size() == 1) {
    const std::string& only = words[0];
    if (only == "--version") {
      std::printf("%s\n", shell::VersionLine().c_str());
      return 0;
    }
    // Linux users ask for help these ways; the template itself stays as it is.
    if (only == "--help" || only == "-h" || only == "?") words = {"--help"};
  }
#ifdef TUNEWRIGHT_HAVE_GUI
  shell::SetWindowedRunner(gui::RunWindowedPlayer);
#endif
  return shell::RunApplication(words);
}
