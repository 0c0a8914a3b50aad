// The whole headless player at once, for ThreadSanitizer: the real engine
// advances through a folder while a client queries the command port, the CD
// poll's thread reads a disc image swapped under it, and the main loop hands
// every result to the core.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "audio/Engine.h"
#include "cdda/CdImages.h"
#include "decoders/Decoders.h"
#include "platform/Signals.h"
#include "player/DiscPoll.h"
#include "player/MainLoop.h"
#include "player/PlayerCore.h"
#include "port/PortPaths.h"
#include "port/PortServer.h"
#include "platform/UniqueFd.h"
#include "settings/SettingsGroups.h"

using namespace player;
using testsupport::ShellQuote;

namespace {

constexpr uint32_t kEngineBit = 1u << 3;

// Asks for a disc poll on every turn of the loop instead of every 20th tick.
class EveryTurnPoll final : public PollSource {
 public:
  explicit EveryTurnPoll(DiscPollSource& disc) : disc_(disc) {}
  void AddPollFds(std::vector<pollfd>&) override { disc_.poller().Request(); }
  void HandlePollFds(const std::vector<pollfd>&) override {}

 private:
  DiscPollSource& disc_;
};

// Sends one command and reads its reply up to the line with the return code.
bool Ask(int fd, const std::string& command) {
  const std::string line = command + "\n";
  if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
    return false;
  std::string reply;
  char c = 0;
  while (::recv(fd, &c, 1, 0) == 1) {
    reply += c;
    if (c == '\n' && reply.rfind("RC=") != std::string::npos) return true;
  }
  return false;
}

}  // namespace

TEST(LivePlayer, AutoAdvanceThroughAFolderWhileThePortIsQueriedAndTheDiscPolled) {
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir.File("songs"));
  std::vector<std::string> songs;
  for (int i = 0; i < 4; ++i) {
    songs.push_back(dir.File("songs/s" + std::to_string(i) + ".wav"));
    ASSERT_EQ(testsupport::Run("sox -n -b 16 -r 8000 -c 1 " + ShellQuote(songs.back()) +
                               " synth 0.3 sine " + std::to_string(300 + 100 * i) + " 2>/dev/null")
                  .exit_code,
              0);
  }
  const cdtest::DiscImage a = cdtest::MakeDisc(dir, "a", cdtest::AudioTracks(2, 0.2));
  const cdtest::DiscImage b = cdtest::MakeDisc(dir, "b", cdtest::AudioTracks(3, 0.2));
  const std::string slot = dir.File("drive.cue");
  std::filesystem::copy_file(a.cue, slot);
  cdtest::UseDrive(slot, dir.path(), true);
  settings::Main().Reset();

  ::setenv("TUNEWRIGHT_OUTPUT", ("file:" + dir.File("out.wav")).c_str(), 1);
  ASSERT_EQ(decoders::Decoders_Init(), 1);
  platform::Signals signals;
  ASSERT_TRUE(audio::Engine_Start(500, &signals, kEngineBit));
  std::vector<std::string> started;
  std::atomic<int> songs_started{0};
  {
    const std::unique_ptr<TransportEngine> engine = AudioEngineTransport();
    PlayerCore core(*engine, IdentifyPlayable);
    core.SetSongStartedCallback([&](const decoders::TrackInfo& track) {
      started.push_back(track.path);
      ++songs_started;
    });
    MainLoopConfig config;
    config.signals = &signals;
    config.engine_bit = kEngineBit;
    config.end_when_idle = true;
    MainLoop loop(core, config);
    DiscPollSource disc(core);
    EveryTurnPoll every_turn(disc);
    std::ostringstream unknown;
    port::PortServerOptions options;
    options.folder = dir.File("port");
    std::string error;
    const auto server = port::PortServer::Open(core, unknown, options, &error);
    ASSERT_TRUE(server) << error;
    loop.AddSource(server.get());
    loop.AddSource(&disc);
    loop.AddSource(&every_turn);

    std::atomic<bool> done{false};
    std::atomic<int> answered{0};
    std::thread client([&] {
      platform::UniqueFd fd(port::ConnectToPort(server->path()));
      timeval limit{5, 0};
      ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
      for (int turn = 0; !done; ++turn) {
        for (const char* command : {"get_title", "get_time", "get_state", "get_cdid", "get_count"})
          answered += Ask(fd.get(), command) ? 1 : 0;
        // The disc changes under the poll until the folder has played.
        if (turn % 4 == 0 && songs_started < 4) {
          std::filesystem::remove(slot);
          std::filesystem::copy_file(turn % 8 == 0 ? b.cue : a.cue, slot);
        }
      }
    });
    std::thread watchdog([&] {
      for (int i = 0; i < 1200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (!done) signals.Signal(platform::Signals::kBreakC);
    });
    core.AddNames({dir.File("songs")}, false, false);
    core.SetHighlighted(0);
    core.PressPlay();
    loop.Run();
    done = true;
    client.join();
    watchdog.join();
    EXPECT_GT(answered.load(), 20);
  }
  audio::Engine_Shutdown();
  decoders::Decoders_Exit();
  ::unsetenv("TUNEWRIGHT_OUTPUT");
  ASSERT_GE(started.size(), songs.size());
  // CD rows come in at the bottom only: the folder plays first, in order.
  EXPECT_EQ(std::vector<std::string>(started.begin(), started.begin() + 4), songs);
}
