#include "GuiTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "decoders/Decoders.h"
#include "player/TransportEngine.h"
#include "settings/SettingsGroups.h"
#include "shell/EngineAdapter.h"

namespace guitest {
namespace {


constexpr uint32_t kEngineBit = 1u << 16;

platform::Signals& MainSignals() {
  static platform::Signals signals;
  return signals;
}

// One engine for the whole program, started on first use.
void StartEngineOnce() {
  static std::unique_ptr<shell::PlaybackEngine> engine;
  if (engine) return;
  if (!decoders::Decoders_Init()) throw std::runtime_error("decoders did not start");
  engine = shell::StartPlaybackEngine(MainSignals(), kEngineBit);
  if (!engine) throw std::runtime_error("audio engine did not start");
  // Registered after the engine's own statics exist, so it runs before they go.
  std::atexit([] {
    engine.reset();
    decoders::Decoders_Exit();
  });
}

}  // namespace

void UseOffscreenPlatform() { ::setenv("QT_QPA_PLATFORM", "offscreen", 0); }

bool WaitFor(const std::function<bool()>& condition, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeout_ms) return false;
    QTest::qWait(5);
  }
  return true;
}

Session::Session(const std::string& output) {
  std::filesystem::create_directories(dir_.File("home"));
  std::filesystem::create_directories(dir_.File("run"));
  std::filesystem::permissions(dir_.File("run"), std::filesystem::perms::owner_all);
  ::setenv("TUNEWRIGHT_HOME", dir_.File("home").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", dir_.File("run").c_str(), 1);
  ::setenv("TUNEWRIGHT_OUTPUT", (output == "file:" ? "file:" + dir_.File("out.wav") : output).c_str(), 1);
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");  // no desktop control unless a test brings a bus
  settings::ResetAllGroups();
  StartEngineOnce();
  transport_ = player::AudioEngineTransport();
}

Session::~Session() {
  player_.reset();
  settings::ResetAllGroups();
}

gui::WindowedPlayer& Session::Start(std::vector<std::string> names, bool iconified,
                                    player::PlayerStateKeeper* state) {
  gui::WindowedPlayerOptions options;
  options.signals = &MainSignals();
  options.engine_bit = kEngineBit;
  options.names = std::move(names);
  options.iconified = iconified;
  options.state = state;
  options.port.folder = dir_.File("run");
  player_ = std::make_unique<gui::WindowedPlayer>(*transport_, std::move(options));
  QObject::connect(player_.get(), &gui::WindowedPlayer::Finished, [this] { finished_ = true; });
  player_->Start();
  return *player_;
}

std::string Session::Tone(const std::string& name, double seconds, int hz) {
  const std::string path = dir_.File(name);
  const auto made = testsupport::Run("sox -n -b 16 -r 44100 -c 2 " + testsupport::ShellQuote(path) +
                                     " synth " + std::to_string(seconds) + " sine " +
                                     std::to_string(hz) + " 2>&1");
  if (made.exit_code != 0) throw std::runtime_error("sox failed: " + made.out);
  return path;
}

}  // namespace guitest
