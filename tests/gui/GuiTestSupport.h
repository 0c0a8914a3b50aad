// What the window tests share: the platform chosen before Qt starts, one real
// audio engine per test program (TUNEWRIGHT_OUTPUT picks its sink per song), a
// windowed player over it in a folder of its own, sound files made by sox, and
// waiting on Qt's event loop for a condition.
#pragma once

#include <QApplication>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/WindowedPlayer.h"
#include "support/TestSupport.h"

namespace guitest {

// The child of window of that object name; the test stops when there is none.
template <typename T = QWidget>
T* Find(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromLatin1(name));
  if (!found) qFatal("no widget named %s", name);
  return found;
}

// The visible top-level window of type T and that object name, or nullptr.
template <typename T>
T* Showing(const char* name) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* wanted = qobject_cast<T*>(top);
        wanted && top->isVisible() && top->objectName() == QLatin1String(name))
      return wanted;
  }
  return nullptr;
}


// Offscreen unless the caller chose a platform already; call before QApplication.
void UseOffscreenPlatform();

// Runs Qt's event loop until condition holds or timeout_ms passes.
bool WaitFor(const std::function<bool()>& condition, int timeout_ms = 10000);

class Session {
 public:
  // output: the TUNEWRIGHT_OUTPUT of its songs ("null" plays in real time,
  // "file:" as fast as the data comes).
  explicit Session(const std::string& output = "null");
  ~Session();

  // Settings as a user's first run has them, changed by change before the windows exist.
  gui::WindowedPlayer& Start(std::vector<std::string> names = {}, bool iconified = false,
                             player::PlayerStateKeeper* state = nullptr);
  // Ends the windowed player as quitting does (the state, if kept, is saved).
  void Stop() { player_.reset(); }
  gui::WindowedPlayer& Player() { return *player_; }
  player::PlayerCore& Core() { return player_->Core(); }
  const testsupport::TempDir& Dir() const { return dir_; }
  bool Finished() const { return finished_; }

  // A 16-bit stereo sine WAVE file of seconds made by sox; returns its path.
  std::string Tone(const std::string& name, double seconds, int hz = 440);

 private:
  testsupport::TempDir dir_;
  std::unique_ptr<player::TransportEngine> transport_;
  std::unique_ptr<gui::WindowedPlayer> player_;
  bool finished_ = false;
};

}  // namespace guitest
