// The analysis steps on real blocks: full scale, silence after sound, the peak
// hold's timing at both ends of REFRESH_DELAY, and sines made by sox whose
// strongest band must rise with their frequency.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "levels/LevelAnalysis.h"
#include "support/TestSupport.h"

namespace {

using levels::AnalysisState;
using levels::Update;

audio::OutputSnapshot Block(std::vector<int16_t> left, std::vector<int16_t> right,
                            int16_t bits = 16, int32_t gain = 64) {
  audio::OutputSnapshot block;
  block.frames = int32_t(left.size());
  block.channels = right.empty() ? 1 : 2;
  block.bits = bits;
  block.gain[0] = block.gain[1] = gain;
  block.samples[0] = std::move(left);
  block.samples[1] = std::move(right);
  return block;
}

audio::OutputSnapshot Empty() { return Block({}, {}); }

settings::LevelsSettings AllDisplays(int32_t refresh_delay = 1) {
  settings::LevelsSettings options;
  options.meter_type = 2;
  options.gauge_type = 2;
  options.spectrum_type = 2;
  options.cpu_usage = 1;
  options.refresh_delay = refresh_delay;
  return options;
}

// 16-bit mono samples of a sine made by sox.
std::vector<int16_t> SoxSine(const testsupport::TempDir& dir, int frequency) {
  const std::string path = dir.File("sine" + std::to_string(frequency) + ".raw");
  const auto result =
      testsupport::Run("sox -n -r 44100 -b 16 -c 1 -e signed-integer -L " + path +
                       " synth 0.05 sine " + std::to_string(frequency) + " vol 0.9");
  EXPECT_EQ(result.exit_code, 0);
  const auto bytes = testsupport::ReadBinaryFile(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

TEST(LevelAnalysisTest, FullScaleBlockAtUnityApproaches127AndVolumeCountsUnlessFixed) {
  const auto full = Block(std::vector<int16_t>(882, 32767), std::vector<int16_t>(882, 32767));
  AnalysisState state;
  int32_t previous = -1;
  for (int i = 0; i < 20; ++i) {
    Update(state, full, 0, AllDisplays());
    EXPECT_GE(state.shown.level[0], previous);  // rises, never overshoots
    previous = state.shown.level[0];
  }
  EXPECT_GE(state.shown.level[0], 126);
  EXPECT_LE(state.shown.level[0], 127);
  EXPECT_EQ(state.shown.level[1], state.shown.level[0]);
  EXPECT_EQ(state.shown.hold[0], state.shown.level[0]);

  // An 8-bit mono block counts on the 16-bit scale and shows on both channels.
  AnalysisState eight;
  for (int i = 0; i < 20; ++i)
    Update(eight, Block(std::vector<int16_t>(256, 127), {}, 8), 0, AllDisplays());
  EXPECT_EQ(eight.shown.level[0], 126);  // 127 * 256 * 64 / 16384
  EXPECT_EQ(eight.shown.level[1], 126);

  // Volume 0: silent meters, unless the levels ignore the volume.
  auto muted = full;
  muted.gain[0] = muted.gain[1] = 0;
  AnalysisState quiet, fixed;
  auto options = AllDisplays();
  for (int i = 0; i < 20; ++i) Update(quiet, muted, 0, options);
  EXPECT_EQ(quiet.shown.level[0], 0);
  options.fixed_levels = 1;
  for (int i = 0; i < 20; ++i) Update(fixed, muted, 0, options);
  EXPECT_GE(fixed.shown.level[0], 126);

  // Boosted volume (gain 256) and a CPU figure out of range stay in their ranges.
  auto boosted = full;
  boosted.gain[0] = boosted.gain[1] = 256;
  AnalysisState loud;
  for (int i = 0; i < 5; ++i) Update(loud, boosted, 250, AllDisplays());
  EXPECT_EQ(loud.shown.level[0], 127);
  EXPECT_EQ(loud.shown.cpu, 100);
  for (const auto& bars : loud.shown.bar)
    for (int32_t bar : bars) EXPECT_LE(bar, 127);
}

// Holds for 25 ticks, then falls one unit per tick, at any refresh delay.
TEST(LevelAnalysisTest, PeakHoldAtRefreshDelayOneAndFour) {
  for (const int32_t delay : {1, 4}) {
    SCOPED_TRACE(delay);
    int32_t hold = 0, counter = 0;
    levels::StepHold(100, hold, counter, delay);
    EXPECT_EQ(hold, 100);
    int held_updates = 0;
    for (;;) {
      levels::StepHold(0, hold, counter, delay);
      if (hold < 100) break;
      ++held_updates;
    }
    EXPECT_EQ(held_updates, delay == 1 ? 25 : 7);
    EXPECT_EQ(hold, 100 - delay);
    int updates_to_zero = 1;
    while (hold > 0) {
      levels::StepHold(0, hold, counter, delay);
      ++updates_to_zero;
    }
    EXPECT_EQ(updates_to_zero, (100 + delay - 1) / delay);
    EXPECT_EQ(hold, 0);  // never below 0, even when 100 is no multiple of 4
  }
}

TEST(LevelAnalysisTest, SilenceAfterSoundDecaysToZeroAndStopsUpdates) {
  const auto full = Block(std::vector<int16_t>(882, 30000), std::vector<int16_t>(882, -20000));
  for (const int32_t delay : {1, 4}) {
    AnalysisState state;
    for (int i = 0; i < 10; ++i) Update(state, full, 40, AllDisplays(delay));
    int updates = 0;
    levels::Changes changes;
    do {
      changes = Update(state, Empty(), 0, AllDisplays(delay));
      ASSERT_LT(++updates, 1000) << "never settles";
    } while (changes.Any());
    EXPECT_EQ(state.shown, levels::LevelValues{});
    // Once settled, nothing more is pushed: a stopped player costs no drawing.
    for (int i = 0; i < 50; ++i) EXPECT_FALSE(Update(state, Empty(), 0, AllDisplays(delay)).Any());
  }
}

TEST(LevelAnalysisTest, StretchRepeatsShortBlocksAndNoBandIsEverNegative) {
  // 128 samples: each appears twice, so the halving passes see pairs of equals.
  std::vector<int16_t> ramp(128);
  for (int i = 0; i < 128; ++i) ramp[i] = int16_t(i * 200);
  const auto raw = levels::RawBands(ramp.data(), 128, 16);
  EXPECT_EQ(raw[7], 127 * 200);
  EXPECT_EQ(raw[6], 127 * 200);  // the first halving averages a sample with itself

  std::mt19937 random(23);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::vector<std::vector<int16_t>> blocks = {
      std::vector<int16_t>(256, -32768),  // all negative: every peak starts from 0
      {},
  };
  for (int i = 0; i < 256; ++i) blocks[1].push_back(int16_t(i % 2 ? 32767 : -32768));
  for (int b = 0; b < 20; ++b) {
    std::vector<int16_t> noise(1 + b * 37);
    for (auto& s : noise) s = int16_t(sample(random));
    blocks.push_back(noise);
  }
  AnalysisState state;
  for (const auto& samples : blocks) {
    for (int32_t band :
         levels::BandDifferences(levels::RawBands(samples.data(), int32_t(samples.size()), 16)))
      EXPECT_GE(band, 0);
    Update(state, Block(samples, samples), 0, AllDisplays());
    for (int c : {0, 1})
      for (int j = 0; j < levels::kBands; ++j) {
        EXPECT_GE(state.shown.bar[c][j], 0);
        EXPECT_LE(state.shown.bar[c][j], 127);
        EXPECT_GE(state.shown.marker[c][j], state.shown.bar[c][j]);
        EXPECT_LE(state.shown.marker[c][j], 127);
      }
  }
  // Raw values that fall (they cannot from a real block) still give no negative band.
  EXPECT_EQ(levels::BandDifferences({5, 3, 9, 0, 0, 0, 0, 0}),
            (levels::Bands{5, 0, 6, 0, 0, 0, 0, 0}));
}

TEST(LevelAnalysisTest, StrongestBandNeverMovesDownAsTheSineDoubles) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  int previous_band = -1;
  for (int frequency = 100; frequency <= 12800; frequency *= 2) {
    SCOPED_TRACE(frequency);
    const auto sine = SoxSine(dir, frequency);
    ASSERT_GE(sine.size(), 256u);
    const auto bands = levels::BandDifferences(levels::RawBands(sine.data(), 256, 16));
    const int strongest = int(std::max_element(bands.begin(), bands.end()) - bands.begin());
    EXPECT_GE(strongest, previous_band);
    previous_band = strongest;
  }
  EXPECT_GE(previous_band, 6);  // 12.8 kHz lands in the top bands
}

}  // namespace
