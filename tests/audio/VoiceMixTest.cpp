// What the voices make of their sounds, judged on the WAVE file the file sink
// writes, read back by sox.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "audio/VoiceTestHelpers.h"
#include "support/TestSupport.h"

using namespace voicetest;

namespace {

// Renders sounds (index = position) on both channels as set up by start, each played once.
Wave RenderOnce(const std::string& path, uint32_t rate, const std::vector<Sound>& sounds,
                const std::function<void(VoiceOutput&)>& start) {
  VoiceOutput* raw = nullptr;
  {
    auto voices = Allocate(FileOutput(path), rate, PlayOnceHook(&raw));
    if (!voices) return {};
    raw = voices.get();
    for (size_t i = 0; i < sounds.size(); ++i) voices->LoadSound(static_cast<int>(i), sounds[i]);
    start(*voices);
    PlayUntilSilent(*voices);
  }
  return SoxRead(path);
}

TEST(VoiceMix, PassThroughIsBitExactOnEachSide) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  for (const uint32_t rate : {44100u, 22050u}) {
    const auto left = SoxSynth(rate, 1.3, "whitenoise");
    const auto right = SoxSynth(rate, 1.3, "sine 440");
    const Wave wave = RenderOnce(dir.File(std::to_string(rate) + ".wav"), rate,
                                 {Mono16(left), Mono16(right)}, [&](VoiceOutput& v) {
                                   Start(v, 0, 0, rate, 1.0, 0.0);
                                   Start(v, 1, 1, rate, 1.0, 1.0);
                                 });
    EXPECT_EQ(wave.rate, rate);
    EXPECT_EQ(wave.Side(0), left) << rate;  // every frame, the tail included
    EXPECT_EQ(wave.Side(1), right) << rate;
  }
}

TEST(VoiceMix, OneSoundOnBothVoicesIsDuplicatedAndEightBitWidens) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const auto mono = SoxSynth(44100, 0.5, "whitenoise");
  Wave wave = RenderOnce(dir.File("mono.wav"), 44100, {Mono16(mono)}, [](VoiceOutput& v) {
    Start(v, 0, 0, 44100, 1.0, 0.0);
    Start(v, 1, 0, 44100, 1.0, 1.0);
  });
  EXPECT_EQ(wave.Side(0), mono);
  EXPECT_EQ(wave.Side(1), mono);

  const std::vector<int8_t> bytes = {-128, -1, 0, 1, 127, 64};
  const Sound eight{SampleType::kMono8, bytes.data(), static_cast<uint32_t>(bytes.size())};
  wave = RenderOnce(dir.File("eight.wav"), 8000, {eight},
                    [](VoiceOutput& v) { Start(v, 0, 0, 8000, 1.0, 0.0); });
  EXPECT_EQ(wave.Side(0), (std::vector<int16_t>{-32768, -256, 0, 256, 32512, 16384}));
  EXPECT_EQ(wave.Side(1), std::vector<int16_t>(bytes.size(), 0));
}

TEST(VoiceMix, ResamplingKeepsPitchAndDuration) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  struct Case {
    uint32_t sound_rate, mix_rate;
  };
  for (const Case c : {Case{22050, 44100}, Case{48000, 44100}, Case{8000, 48000}}) {
    const auto sine = SoxSynth(c.sound_rate, 1.0, "sine 1000");
    const std::string path = dir.File(std::to_string(c.sound_rate) + ".wav");
    const Wave wave = RenderOnce(path, c.mix_rate, {Mono16(sine)},
                                 [&](VoiceOutput& v) { Start(v, 0, 0, c.sound_rate, 1.0, 0.5); });
    ASSERT_EQ(wave.rate, c.mix_rate);
    EXPECT_NEAR(static_cast<double>(wave.frames()), c.mix_rate, 2.0) << c.sound_rate;
    EXPECT_NEAR(ZeroCrossingFrequency(wave.Side(0), c.mix_rate), 1000.0, 2.0) << c.sound_rate;
  }
}

TEST(VoiceMix, VolumePanAndMasterGainScaleAndClip) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const auto noise = SoxSynth(44100, 0.2, "whitenoise");
  const double peak = *std::max_element(noise.begin(), noise.end());
  ASSERT_GT(peak, 20000);
  struct Case {
    double volume, pan, master, left, right;  // expected factors per side
  };
  for (const Case c : {Case{0.5, 0.0, 1.0, 0.5, 0.0}, Case{1.0, 0.5, 1.0, 0.5, 0.5},
                       Case{1.0, 0.25, 2.0, 1.5, 0.5}, Case{2.0, 1.0, 1.0, 0.0, 2.0},
                       Case{0.0, 0.5, 4.0, 0.0, 0.0}}) {
    const std::string path =
        dir.File("v" + std::to_string(c.volume) + std::to_string(c.pan) + ".wav");
    const Wave wave = RenderOnce(path, 44100, {Mono16(noise)}, [&](VoiceOutput& v) {
      v.SetMasterGain(c.master);
      Start(v, 0, 0, 44100, c.volume, c.pan);
    });
    ASSERT_EQ(wave.frames(), noise.size());
    for (int side = 0; side < 2; ++side) {
      const double factor = side == 0 ? c.left : c.right;
      const auto got = wave.Side(side);
      for (size_t i = 0; i < noise.size(); ++i) {
        const double want = std::clamp(noise[i] * factor, -32768.0, 32767.0);
        ASSERT_NEAR(got[i], want, 1.0)
            << "frame " << i << " side " << side << " volume " << c.volume;
      }
    }
  }
}

TEST(VoiceMix, SumsOfTwoVoicesClip) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const std::vector<int16_t> loud(1000, 30000);
  const std::vector<int16_t> quiet(1000, -30000);
  const Wave wave =
      RenderOnce(dir.File("sum.wav"), 44100, {Mono16(loud), Mono16(quiet)}, [](VoiceOutput& v) {
        Start(v, 0, 0, 44100, 2.0, 0.25);  // +45000 left, +15000 right
        Start(v, 1, 1, 44100, 2.0, 1.0);   // -60000 right
      });
  EXPECT_EQ(wave.Side(0), std::vector<int16_t>(1000, 32767));
  EXPECT_EQ(wave.Side(1), std::vector<int16_t>(1000, -32768));
}

}  // namespace
