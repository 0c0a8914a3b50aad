// The levels task on its own thread: pushes only while something changes, keeps
// its state across a stop and a start, never calls the display after Stop, and
// reads the real engine while a song plays (ThreadSanitizer watches this too).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/Engine.h"
#include "audio/EngineTestSupport.h"
#include "levels/LevelsTask.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

settings::LevelsSettings Options(int32_t refresh_delay) {
  settings::LevelsSettings options;
  options.meter_type = 2;
  options.spectrum_type = 2;
  options.cpu_usage = 1;
  options.refresh_delay = refresh_delay;
  return options;
}

// A source that plays a loud block while `loud` is set, silence otherwise.
struct FakeOutput {
  std::atomic<bool> loud{true};
  levels::LevelsSource Source() {
    return {[this](audio::OutputSnapshot& out) {
              out = audio::OutputSnapshot{};
              if (!loud) return 0;
              out.frames = 512;
              out.channels = 1;
              out.bits = 16;
              out.gain[0] = out.gain[1] = 64;
              out.samples[0].assign(512, 20000);
              return 512;
            },
            [this] { return loud ? 30 : 0; }};
  }
};

template <typename Predicate>
bool WaitUntil(Predicate done, milliseconds limit = milliseconds(5000)) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return true;
}

TEST(LevelsTaskTest, PushesWhileValuesChangeThenGoesQuietAndStopsForGood) {
  FakeOutput output;
  std::mutex mutex;
  std::vector<levels::LevelValues> pushed;
  std::atomic<int> pushes{0};
  levels::LevelsTask task(output.Source(), [&](const levels::LevelValues& values, levels::Changes) {
    std::lock_guard lock(mutex);
    pushed.push_back(values);
    ++pushes;
  });
  task.SetOptions(Options(1));
  task.Start();
  ASSERT_TRUE(task.Running());
  ASSERT_TRUE(WaitUntil([&] { return task.Updates() >= 10; }));
  {
    std::lock_guard lock(mutex);
    ASSERT_FALSE(pushed.empty());
    EXPECT_GT(pushed.back().level[0], 0);
    EXPECT_EQ(pushed.back().cpu, 30);
  }
  // Silence: values decay, then the pushes stop while the updates go on.
  output.loud = false;
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard lock(mutex);
    return pushed.back() == levels::LevelValues{};
  }));
  const int settled = pushes.load();
  const uint64_t updates = task.Updates();
  ASSERT_TRUE(WaitUntil([&] { return task.Updates() >= updates + 10; }));
  EXPECT_EQ(pushes.load(), settled);

  // Updates come about every REFRESH_DELAY ticks: at 4, far fewer than at 1.
  task.SetOptions(Options(4));
  const uint64_t before = task.Updates();
  std::this_thread::sleep_for(milliseconds(400));
  EXPECT_LE(task.Updates() - before, 8u);  // 400 ms / 80 ms = 5, with room

  output.loud = true;
  task.Stop();
  EXPECT_FALSE(task.Running());
  const int after_stop = pushes.load();
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_EQ(pushes.load(), after_stop);
  // Iconified, a running task computes nothing.
  task.SetIconified(true);
  task.Start();
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_EQ(pushes.load(), after_stop);
  task.SetIconified(false);
  ASSERT_TRUE(WaitUntil([&] { return pushes.load() > after_stop; }));
  task.Stop();
}

TEST(LevelsTaskTest, ReadsTheRealEngineThroughPlaySeekStopAndSongChanges) {
  auto session = std::make_unique<enginetest::EngineSession>("null");
  enginetest::SynthSpec spec;
  spec.frames = 44100 * 20;
  const auto stereo = enginetest::MakeSynthTrack(spec);
  std::mutex mutex;
  levels::LevelValues last;
  levels::LevelsTask task(levels::EngineSource(),
                          [&](const levels::LevelValues& values, levels::Changes) {
                            std::lock_guard lock(mutex);
                            last = values;
                          });
  task.SetOptions(Options(1));
  task.Start();
  for (int song = 0; song < 3; ++song) {
    ASSERT_EQ(audio::Engine_Play(&stereo), 1);
    std::this_thread::sleep_for(milliseconds(150));
    audio::Engine_SeekTo(5.0 + song);
    std::this_thread::sleep_for(milliseconds(100));
    if (song == 1) task.Stop(), task.Start();
    audio::Engine_Stop();
  }
  ASSERT_EQ(audio::Engine_Play(&stereo), 1);
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard lock(mutex);
    return last.level[0] > 100;  // the ramps reach full scale in every block
  }));
  task.Stop();  // shutdown order: the levels task goes before the engine
  session.reset();
}

}  // namespace
