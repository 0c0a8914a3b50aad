// When the sound-start hook runs, and how queued and immediate changes land.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "audio/VoiceTestHelpers.h"
#include "support/TestSupport.h"

using namespace voicetest;

namespace {

// Sounds of constant value, so that the file shows which sound played when.
struct Level {
  std::vector<int16_t> samples;
  Level(int16_t value, size_t frames) : samples(frames, value) {}
  Sound sound() const {
    return {SampleType::kMono16, samples.data(), static_cast<uint32_t>(samples.size())};
  }
};

std::vector<int16_t> Runs(std::initializer_list<std::pair<int16_t, size_t>> runs) {
  std::vector<int16_t> out;
  for (const auto& [value, count] : runs) out.insert(out.end(), count, value);
  return out;
}

// A hook whose reaction to the n-th start (from 1) of each channel a test scripts.
struct ScriptedHook {
  VoiceOutput* voices = nullptr;
  std::mutex mutex;
  std::vector<int> log;  // protected by mutex
  std::function<void(VoiceOutput&, int channel, int nth)> script;

  std::function<void(int)> Hook() {
    return [this](int channel) {
      int nth = 0;
      {
        std::lock_guard lock(mutex);
        log.push_back(channel);
        for (const int c : log) nth += c == channel;
      }
      script(*voices, channel, nth);
    };
  }
};

class VoiceHook : public ::testing::Test {
 protected:
  void SetUp() override {
    TW_REQUIRE_TOOLS("sox");
  }
  // Allocates on the file sink with A, B, C, D loaded as sounds 0 to 3.
  std::unique_ptr<VoiceOutput> Open(ScriptedHook& hook) {
    auto voices = Allocate(FileOutput(path_), 44100, hook.Hook());
    hook.voices = voices.get();
    for (int i = 0; i < 4; ++i) voices->LoadSound(i, levels_[static_cast<size_t>(i)].sound());
    return voices;
  }
  Wave Result() { return SoxRead(path_); }

  testsupport::TempDir dir_;
  std::string path_ = dir_.File("out.wav");
  const std::vector<Level> levels_ = {{1000, 100}, {2000, 100}, {0, 50}, {3000, 300}};
};
constexpr int kA = 0, kB = 1, kC = 2, kD = 3;

TEST_F(VoiceHook, QueuedSoundFollowsAtTheEndAndNothingQueuedRepeats) {
  ScriptedHook hook;
  hook.script = [](VoiceOutput& v, int channel, int nth) {
    if (nth == 1) v.SetSound(channel, kB, false);
    if (nth == 3) v.SetSound(channel, kNoSound, false);  // after B played twice
  };
  {
    auto voices = Open(hook);
    Start(*voices, 0, kA, 44100, 1.0, 0.0);
    PlayUntilSilent(*voices);
  }
  EXPECT_EQ(hook.log, (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Result().Side(0), Runs({{1000, 100}, {2000, 200}}));
}

TEST_F(VoiceHook, ImmediateSwitchFromAnotherChannelsHookAndHookOrder) {
  ScriptedHook hook;
  hook.script = [](VoiceOutput& v, int channel, int nth) {
    if (channel == 0) v.SetSound(0, kNoSound, false);       // each sound of channel 0 plays once
    if (channel == 1 && nth == 2) v.SetSound(0, kA, true);  // 50 frames in: D gives way to A
    if (channel == 1 && nth == 3) v.SetSound(1, kNoSound, false);
  };
  {
    auto voices = Open(hook);
    Start(*voices, 0, kD, 44100, 1.0, 0.0);
    Start(*voices, 1, kC, 44100, 1.0, 1.0);  // C: 50 silent frames, repeating
    PlayUntilSilent(*voices);
  }
  // Sounds set before play start hook in channel order; then in time order.
  EXPECT_EQ(hook.log, (std::vector<int>{0, 1, 1, 0, 1}));
  const Wave wave = Result();
  EXPECT_EQ(wave.Side(0), Runs({{3000, 50}, {1000, 100}}));
  EXPECT_EQ(wave.Side(1), Runs({{0, 150}}));
}

TEST_F(VoiceHook, QueuedVolumeAndFrequencyWaitForTheNextSound) {
  ScriptedHook hook;
  hook.script = [](VoiceOutput& v, int channel, int nth) {
    if (nth == 1) v.SetVolume(channel, 0.5, 0.0, false);
    if (nth == 1) v.SetFrequency(channel, 22050, false);
    if (nth == 2) v.SetSound(channel, kNoSound, false);
  };
  {
    auto voices = Open(hook);
    Start(*voices, 0, kA, 44100, 1.0, 0.0);
    PlayUntilSilent(*voices);
  }
  // Half speed: A's 100 frames last 200 at half volume.
  EXPECT_EQ(Result().Side(0), Runs({{1000, 100}, {500, 200}}));
}

TEST_F(VoiceHook, FrequencyZeroOrNoSoundIsSilentAndWritesNothing) {
  ScriptedHook hook;
  hook.script = [](VoiceOutput& v, int channel, int) { v.SetSound(channel, kNoSound, false); };
  auto voices = Open(hook);
  Start(*voices, 0, kA, 0, 1.0, 0.0);
  EXPECT_FALSE(voices->IsPlaying(0));
  EXPECT_FALSE(voices->IsPlaying(1));
  ASSERT_TRUE(voices->Play(true));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  voices->SetFrequency(0, 44100, true);  // A starts only now
  PlayUntilSilent(*voices);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // silence: nothing written
  Start(*voices, 0, kB, 44100, 1.0, 0.0);
  PlayUntilSilent(*voices);
  voices.reset();
  EXPECT_EQ(Result().Side(0), Runs({{1000, 100}, {2000, 100}}));
}

TEST_F(VoiceHook, VirtualClockWaitsForALateQueuedSoundInsteadOfRepeating) {
  // A client that queues from another thread, 20 ms after the start of a sound that
  // lasts 100 ms in real time: real playback would never repeat it.
  Level long_a(1000, 4410);
  Level long_b(2000, 4410);
  std::vector<std::thread> helpers;
  ScriptedHook hook;
  hook.script = [&](VoiceOutput& v, int channel, int nth) {
    const int next = nth == 1 ? kB : kNoSound;
    helpers.emplace_back([&v, channel, next] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      v.SetSound(channel, next, false);
    });
  };
  {
    auto voices = Open(hook);
    EXPECT_FALSE(voices->PacedInRealTime());
    voices->LoadSound(kA, long_a.sound());
    voices->LoadSound(kB, long_b.sound());
    Start(*voices, 0, kA, 44100, 1.0, 0.0);
    PlayUntilSilent(*voices);
    for (auto& helper : helpers) helper.join();
  }
  EXPECT_EQ(Result().Side(0), Runs({{1000, 4410}, {2000, 4410}}));
}

}  // namespace
