#include "gui/WindowedRun.h"

#include <sys/stat.h>

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/WindowedPlayer.h"
#include "gui/controls/PlayerButton.h"
#include "player/TransportEngine.h"
#include "shell/Application.h"

namespace gui {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// ":N" or ":N.S" names a display on this machine, reached through its socket.
bool LocalXDisplayAnswers(const std::string& display) {
  if (display.empty() || display[0] != ':') return true;  // remote or unusual: Qt decides
  const std::string number = display.substr(1, display.find('.') - 1);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return true;
  struct stat info {};
  return ::stat(("/tmp/.X11-unix/X" + number).c_str(), &info) == 0;
}

}  // namespace

bool HaveDisplay() {
  if (IsSet("QT_QPA_PLATFORM")) return true;
  if (IsSet("WAYLAND_DISPLAY")) return true;
  return IsSet("DISPLAY") && LocalXDisplayAnswers(std::getenv("DISPLAY"));
}

int RunWindowedPlayer(const shell::WindowedStart& start) {
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "tunewright: no display to open the window on.\n"
                 "Run the player without a window instead: tunewright --headless [FILE...]\n");
    return 1;
  }
  static int argc = 1;
  static char name[] = "tunewright";
  static char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tunewright"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tunewright"));
  QApplication::setApplicationVersion(QStringLiteral(TUNEWRIGHT_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("tunewright"));
  QApplication::setQuitOnLastWindowClosed(false);  // quitting is the player's decision
  LoadImages();
  QApplication::setWindowIcon(
      QIcon::fromTheme(QStringLiteral("tunewright"), QIcon(QStringLiteral(":/tunewright.svg"))));

  const std::unique_ptr<player::TransportEngine> engine = player::AudioEngineTransport();
  WindowedPlayerOptions options;
  options.signals = &start.signals;
  options.engine_bit = start.engine_bit;
  options.names = start.options.names;
  options.iconified = start.options.iconified;
  options.state = start.state;
  WindowedPlayer player(*engine, std::move(options));
  // exit, not quit: quit first asks each window to close, and the main window
  // answers a close by asking the player to quit.
  QObject::connect(&player, &WindowedPlayer::Finished, &application, [] { QApplication::exit(0); });
  player.Start();
  QApplication::exec();
  return 0;
}

}  // namespace gui
