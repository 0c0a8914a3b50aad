// The application object of the windowed run: the player core, its windows, the
// one dispatcher for return ids, the method queue, the 250 ms tick, and the
// descriptors Qt's event loop watches: the main task's wake-up pipe (the
// engine's notification and Ctrl-C), the command port and desktop control.
// Everything runs on the main thread; other threads reach it only through the
// wake-up pipe or the method queue.
#pragma once

#include <QObject>

#include <memory>
#include <string>
#include <vector>

#include "platform/Signals.h"
#include "player/PlayerCore.h"
#include "player/PlayerStateFile.h"
#include "port/PortServer.h"

namespace gui {

class KaraokeWindows;
class MainWindow;
class ScopesWindow;
class MethodQueue;
class ReturnIdDispatcher;
class TagEditorWindow;
class AudioDbWindow;

struct WindowedPlayerOptions {
  platform::Signals* signals = nullptr;
  uint32_t engine_bit = 0;
  uint32_t break_bit = platform::Signals::kBreakC;
  std::vector<std::string> names;  // appended to the playlist at start
  player::PlayerStateKeeper* state = nullptr;  // the list of last time; saved at quit
  bool iconified = false;
  bool serve_port = true;  // the command port and desktop control
  port::PortServerOptions port;
};

class WindowedPlayer : public QObject, public player::PlayerListener {
  Q_OBJECT

 public:
  // engine: the running audio engine, which must outlive this object.
  WindowedPlayer(player::TransportEngine& engine, WindowedPlayerOptions options);
  // Stops the song, the port and desktop control, then the windows go.
  ~WindowedPlayer() override;

  // Appends the names, applies INITIAL_FILE and AUTO_PLAY, shows the windows.
  void Start();

  player::PlayerCore& Core();
  MainWindow& Window();
  ScopesWindow& Scopes();
  ReturnIdDispatcher& Dispatcher();
  MethodQueue& Queue();
  TagEditorWindow& TagEditor();
  AudioDbWindow& DatabaseWindow();
  port::PortServer* Port();  // null when not served
  KaraokeWindows& Karaoke();

  void OnQuitRequested() override;

 Q_SIGNALS:
  // The run is over: quit, the close gadget, the port's "quit", or Ctrl-C.
  void Finished();

 private:
  void WakeUp();
  void Tick();

  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
