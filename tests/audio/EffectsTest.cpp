#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "audio/Effects.h"

namespace {

using audio::ApplyTone;
using audio::ComputeTone;
using audio::ToneState;

std::vector<int16_t> Sine(double hz, uint32_t rate, int frames, double amplitude) {
  std::vector<int16_t> out(frames);
  for (int i = 0; i < frames; ++i)
    out[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate)));
  return out;
}

double Rms(const std::vector<int16_t>& v, size_t from) {
  double sum = 0;
  for (size_t i = from; i < v.size(); ++i) sum += double(v[i]) * v[i];
  return std::sqrt(sum / (v.size() - from));
}

// Gain in dB of the tone stage for a sine, fed in blocks as the output manager does,
// measured after the filter has settled.
double ToneGainDb(int bass, int treble, double hz, uint32_t rate) {
  const auto coefficients = ComputeTone(bass, treble, rate);
  auto samples = Sine(hz, rate, static_cast<int>(rate), 4000.0);
  const auto original = samples;
  ToneState state;
  for (size_t at = 0; at < samples.size(); at += 882) {
    const auto n = static_cast<int32_t>(std::min<size_t>(882, samples.size() - at));
    ApplyTone(samples.data() + at, n, coefficients, state);
  }
  const size_t settle = rate / 4;
  return 20 * std::log10(Rms(samples, settle) / Rms(original, settle));
}

TEST(EffectsTest, VolumesAndGainFromSettings) {
  auto v = audio::VolumesFromSettings(64, 32);
  EXPECT_EQ(v.volume0, 32);
  EXPECT_EQ(v.volume1, 64);
  v = audio::VolumesFromSettings(64, -64);
  EXPECT_EQ(v.volume0, 64);
  EXPECT_EQ(v.volume1, 0);
  // Out-of-range settings are clamped, never wrapped into a huge gain.
  v = audio::VolumesFromSettings(64, 100);
  EXPECT_EQ(v.volume0, 0);
  EXPECT_EQ(v.volume1, 64);
  v = audio::VolumesFromSettings(100000, -1000);
  EXPECT_EQ(v.volume0, 256);
  EXPECT_EQ(v.volume1, 0);

  auto gain = audio::GainFromVolumes(256, 256);
  EXPECT_DOUBLE_EQ(gain.master, 4.0);
  EXPECT_DOUBLE_EQ(gain.channel[0], 1.0);
  gain = audio::GainFromVolumes(128, 64);
  EXPECT_DOUBLE_EQ(gain.master, 2.0);
  EXPECT_DOUBLE_EQ(gain.channel[0], 1.0);
  EXPECT_DOUBLE_EQ(gain.channel[1], 0.5);
  gain = audio::GainFromVolumes(32, 64);
  EXPECT_DOUBLE_EQ(gain.master, 1.0);
  EXPECT_DOUBLE_EQ(gain.channel[0], 0.5);
}

TEST(EffectsTest, UnitySettingsLeaveSamplesUnchanged) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> any16(-32768, 32767), any8(-128, 127);
  for (uint32_t rate : {8000u, 22050u, 44100u, 48000u}) {
    const auto c = ComputeTone(0, 0, rate);
    std::vector<int16_t> wide(5000);
    for (auto& s : wide) s = static_cast<int16_t>(any16(random));
    auto wide_out = wide;
    ToneState state;
    ApplyTone(wide_out.data(), static_cast<int32_t>(wide_out.size()), c, state);
    EXPECT_EQ(wide_out, wide) << rate;

    std::vector<int8_t> narrow(5000);
    for (auto& s : narrow) s = static_cast<int8_t>(any8(random));
    auto narrow_out = narrow;
    ToneState state8;
    ApplyTone(narrow_out.data(), static_cast<int32_t>(narrow_out.size()), c, state8);
    EXPECT_EQ(narrow_out, narrow) << rate;
  }
}

TEST(EffectsTest, ShelvesBoostAndCutByTheirDecibels) {
  // Each shelf moves its end of the band by about its setting against the other end,
  // where it does not act. The bass shelf's 8.8 input gain is coarse this close to
  // its pole (300 Hz of 44100), hence its wider tolerance.
  for (int db : {-12, -6, 6, 12}) {
    EXPECT_NEAR(ToneGainDb(db, 0, 30, 44100) - ToneGainDb(db, 0, 18000, 44100), db, 1.6)
        << "bass " << db;
    EXPECT_NEAR(ToneGainDb(0, db, 18000, 44100) - ToneGainDb(0, db, 30, 44100), db, 0.5)
        << "treble " << db;
  }
  // Without any setting the whole band passes at unity.
  EXPECT_NEAR(ToneGainDb(0, 0, 100, 44100), 0.0, 0.01);
}

TEST(EffectsTest, StaysBoundedAtEveryOutputFrequency) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> noise(-32768, 32767);
  std::vector<int16_t> input(600);
  for (size_t i = 0; i < input.size(); ++i)
    input[i] = (i % 3 == 0) ? static_cast<int16_t>(noise(random)) : (i % 2 ? 32767 : -32768);
  const int extremes[][2] = {{20, 20}, {-20, -20}, {20, -20}, {-20, 20}, {1 << 30, -(1 << 30)}};
  auto check = [&](uint32_t rate) {
    for (const auto& setting : extremes) {
      const auto c = ComputeTone(setting[0], setting[1], rate);
      ToneState state;
      auto block = input;
      for (int pass = 0; pass < 4; ++pass) {
        block = input;
        ApplyTone(block.data(), static_cast<int32_t>(block.size()), c, state);
      }
      // A stable shelf's memory stays within a few times the largest sample.
      ASSERT_LT(std::abs(state.yb), 8 * 32768) << rate << " Hz";
      ASSERT_LT(std::abs(state.yt), 8 * 32768) << rate << " Hz";
    }
  };
  for (uint32_t rate = 0; rate <= 1000; ++rate) check(rate);
  for (uint32_t rate = 1000; rate <= 48000; rate += 1) check(rate);
}

TEST(EffectsTest, ExpandComplementsSamples) {
  int16_t wide[] = {-32768, 0, 32767, 5};
  audio::ApplyExpand(wide, 4);
  EXPECT_EQ(wide[0], 32767);
  EXPECT_EQ(wide[1], -1);
  EXPECT_EQ(wide[2], -32768);
  EXPECT_EQ(wide[3], -6);
  int8_t narrow[] = {-128, 127};
  audio::ApplyExpand(narrow, 2);
  EXPECT_EQ(narrow[0], 127);
  EXPECT_EQ(narrow[1], -128);
}

}  // namespace
