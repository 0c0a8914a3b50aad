#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/Utf8.h"
#include "shell/CommandLineRun.h"
#include "support/TestSupport.h"

using decoders::TrackInfo;
using decoders::TrackPtr;

namespace {

constexpr uint32_t kEngineBit = 1u << 20;

// Plays each song for a fixed time on its own thread, then reports state 4.
class FakeEngine : public shell::PlaybackEngine {
 public:
  FakeEngine(platform::Signals& main, std::chrono::milliseconds song) : main_(main), song_(song) {}
  ~FakeEngine() override { Join(); }

  bool Play(const TrackInfo& track) override {
    Join();
    played.push_back(track.path);
    if (track.path.find("refused") != std::string::npos) return false;
    state_ = 1;
    stopped_ = false;
    player_ = std::thread([this] {
      std::unique_lock lock(mutex_);
      if (!stop_cond_.wait_for(lock, song_, [this] { return stopped_; })) {
        state_ = 4;
        main_.Signal(kEngineBit);
      }
    });
    return true;
  }
  void Stop() override {
    ++stops;
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    stop_cond_.notify_all();
    Join();
    state_ = 3;
  }
  int GetState() override { return state_; }

  std::vector<std::string> played;
  int stops = 0;

 private:
  void Join() {
    if (player_.joinable()) player_.join();
  }
  platform::Signals& main_;
  std::chrono::milliseconds song_;
  std::atomic<int> state_{3};
  std::mutex mutex_;
  std::condition_variable stop_cond_;
  bool stopped_ = false;  // protected by mutex_
  std::thread player_;
};

// Any name ending in ".wav" is a 3-minute stereo song.
TrackPtr FakeIdentify(const std::string& path) {
  if (path.size() < 4 || path.compare(path.size() - 4, 4, ".wav") != 0) return nullptr;
  auto track = std::make_unique<TrackInfo>();
  track->path = path;
  track->frequency = 44100;
  track->length = 180 * 44100;
  track->bits = 16;
  track->stereo = 1;
  platform::CopyField(track->type_text, "RIFF-WAVE");
  return track;
}

struct Harness {
  explicit Harness(std::chrono::milliseconds song = std::chrono::milliseconds(5))
      : engine(signals, song) {
    out = std::tmpfile();
    run.identify = FakeIdentify;
    run.engine = &engine;
    run.signals = &signals;
    run.engine_bit = kEngineBit;
    run.out = out;
  }
  ~Harness() { std::fclose(out); }
  std::string Output() {
    std::fflush(out);
    std::rewind(out);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) text.append(buffer, n);
    return text;
  }

  platform::Signals signals;
  FakeEngine engine;
  shell::CommandLineRun run;
  std::FILE* out;
};

}  // namespace

TEST(CommandLineRun, PlaysSongsAndPlaylistsInOrder) {
  testsupport::TempDir dir;
  const std::string list = dir.File("list.txt");
  testsupport::WriteTextFile(list, "b.wav\nc.wav\tcomment\n\nd.wav\n");
  Harness h;
  EXPECT_TRUE(shell::RunCommandLine(h.run, {"a.wav", list, dir.File("missing"), "refused.wav"}));
  // The empty line ends the playlist: d.wav is never reached.
  EXPECT_EQ(h.engine.played,
            (std::vector<std::string>{"a.wav", "b.wav", "c.wav", "refused.wav"}));
  EXPECT_EQ(h.engine.stops, 3);
  EXPECT_EQ(h.Output(), "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'a.wav'\n"
                        "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'b.wav'\n"
                        "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'c.wav'\n"
                        "Can't play file '" + dir.File("missing") + "'\n"
                        "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'refused.wav'\n");
}

TEST(CommandLineRun, CarriageReturnMakesAPlaylistSuspectAndEndsIt) {
  testsupport::TempDir dir;
  const std::string list = dir.File("dos.txt");
  testsupport::WriteTextFile(list, "a.wav\r\nb.wav\r\n");
  // A UTF-8 name has bytes above 127: they are not control characters.
  const std::string utf8 = dir.File("utf8.txt");
  testsupport::WriteTextFile(utf8, "\xC3\xA9t\xC3\xA9.wav\n");
  Harness h;
  h.run.verbosity = 0;
  EXPECT_TRUE(shell::RunCommandLine(h.run, {list, utf8}));
  EXPECT_EQ(h.engine.played, (std::vector<std::string>{"\xC3\xA9t\xC3\xA9.wav"}));
  EXPECT_EQ(h.Output(), "'" + list + "' is not a valid playlist\n");
}

TEST(CommandLineRun, BreakDuringFirstOfThreeSongsEndsTheRun) {
  Harness h(std::chrono::milliseconds(10000));
  std::thread breaker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    h.signals.Signal(platform::Signals::kBreakC);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(shell::RunCommandLine(h.run, {"a.wav", "b.wav", "c.wav"}));
  breaker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(h.engine.played, std::vector<std::string>{"a.wav"});
  EXPECT_EQ(h.engine.stops, 1);
  const std::string output = h.Output();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
}

TEST(CommandLineRun, InformationLineNeverDividesByZero) {
  TrackInfo track;
  track.length = 1000;
  platform::CopyField(track.type_text, "AU-ULAW");
  track.bits = 16;
  EXPECT_EQ(shell::FormatInformationLine(track, "x.au"), "00:00 AU-ULAW 0Hz 16 bits 'x.au'\n");
}
