// Level and spectrum analysis: pure integer steps over a copy of the last output
// block. One Update() per refresh turns the block into per-channel levels with a
// falling peak hold, an eight-band spectrum per channel with peak markers, and
// the CPU gauge's value, and says which of them changed (only those are shown).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "audio/OutputSnapshot.h"
#include "settings/SettingsRecords.h"

namespace levels {

constexpr int kBands = 8;
constexpr int kLevelMax = 127;  // bars, levels and markers are 0..127
constexpr int kCpuMax = 100;
constexpr int kHoldTicks = 25;  // a peak marker stays this many ticks of 1/50 s
constexpr int kUnityGain = 64;

using Bands = std::array<int32_t, kBands>;

// What the displays show, every value already clamped to its range.
struct LevelValues {
  int32_t level[2] = {0, 0};
  int32_t hold[2] = {0, 0};
  Bands bar[2] = {};
  Bands marker[2] = {};
  int32_t cpu = 0;
  bool operator==(const LevelValues&) const = default;
};

// What one update changed, so only those displays get new values.
struct Changes {
  bool levels = false;
  bool cpu = false;
  bool spectrum = false;
  bool Any() const { return levels || cpu || spectrum; }
};

// Kept between updates (and across a stop and start of the task).
struct AnalysisState {
  LevelValues shown;
  int32_t smoothed[2] = {0, 0};
  int32_t hold_count[2] = {0, 0};
  Bands marker_count[2] = {};
  bool spectrum_active = false;  // a marker was above 0 at the previous update
};

// The largest sample of a channel, not below 0, on the 16-bit scale.
int32_t BlockPeak(const std::vector<int16_t>& samples, int16_t bits);

// A falling marker: held kHoldTicks after it was last reached, then it falls by
// one per tick (refresh_delay ticks pass per update), never below 0.
void StepHold(int32_t value, int32_t& hold, int32_t& counter, int32_t refresh_delay);

// The eight band peaks of up to 256 samples stretched to 256 points, band 7 the
// raw points and band k the peak after 7 - k halvings (pairs averaged), 16-bit scale.
Bands RawBands(const int16_t* samples, int32_t n, int16_t bits);
// Each band less the band below it, from a copy of the raw values, never below 0.
Bands BandDifferences(const Bands& raw);

// One refresh: block is the last output block (frames 0 when nothing plays), cpu
// the engine's decoding load in percent.
Changes Update(AnalysisState& state, const audio::OutputSnapshot& block, int32_t cpu,
               const settings::LevelsSettings& options);

}  // namespace levels
