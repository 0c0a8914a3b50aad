#include "levels/LevelAnalysis.h"

#include <algorithm>

namespace levels {
namespace {

constexpr int kPoints = 256;

int32_t Clamp(int32_t value, int32_t high) { return std::clamp(value, 0, high); }

int32_t ToSixteenBits(int32_t value, int16_t bits) { return bits == 8 ? value * 256 : value; }

// Gains 64/64 when the levels ignore the volume, else the volumes the block played at.
void ChannelGains(const audio::OutputSnapshot& block, const settings::LevelsSettings& options,
                  int32_t gain[2]) {
  for (int c : {0, 1}) gain[c] = options.fixed_levels ? kUnityGain : std::max(block.gain[c], 0);
}

bool HasSamples(const audio::OutputSnapshot& block) {
  return block.frames > 0 && (block.channels == 1 || block.channels == 2) &&
         block.samples[0].size() >= size_t(block.frames) &&
         (block.channels == 1 || block.samples[1].size() >= size_t(block.frames));
}

bool UpdateLevels(AnalysisState& state, const audio::OutputSnapshot& block, const int32_t gain[2],
                  int32_t refresh_delay) {
  int32_t peak[2] = {0, 0};
  if (HasSamples(block)) {
    peak[0] = BlockPeak(block.samples[0], block.bits);
    peak[1] = block.channels == 2 ? BlockPeak(block.samples[1], block.bits) : peak[0];
  }
  bool changed = false;
  for (int c : {0, 1}) {
    state.smoothed[c] = (state.smoothed[c] + peak[c]) >> 1;
    const int32_t level = Clamp(int32_t(int64_t{gain[c]} * state.smoothed[c] / 16384), kLevelMax);
    int32_t hold = state.shown.hold[c];
    StepHold(level, hold, state.hold_count[c], refresh_delay);
    hold = Clamp(hold, kLevelMax);
    if (level != state.shown.level[c] || hold != state.shown.hold[c]) changed = true;
    state.shown.level[c] = level;
    state.shown.hold[c] = hold;
  }
  return changed;
}

// Band values of both display channels; a mono block shows its bands on both.
void BlockBands(const audio::OutputSnapshot& block, Bands bands[2]) {
  bands[0] = bands[1] = Bands{};
  if (!HasSamples(block)) return;
  const int32_t n = std::min(block.frames, kPoints);
  for (int ch = 0; ch < block.channels; ++ch)
    bands[ch] = BandDifferences(RawBands(block.samples[ch].data(), n, block.bits));
  if (block.channels == 1) bands[1] = bands[0];
}

bool UpdateSpectrum(AnalysisState& state, const audio::OutputSnapshot& block, const int32_t gain[2],
                    int32_t refresh_delay) {
  Bands bands[2];
  BlockBands(block, bands);
  bool any_marker = false;
  for (int c : {0, 1}) {
    for (int j = 0; j < kBands; ++j) {
      const int32_t fresh = int32_t((int64_t{bands[c][j] >> 6} * gain[c]) >> 6);
      int32_t& bar = state.shown.bar[c][j];
      bar = Clamp((3 * bar + fresh) >> 2, kLevelMax);
      int32_t& marker = state.shown.marker[c][j];
      StepHold(bar, marker, state.marker_count[c][j], refresh_delay);
      marker = Clamp(marker, kLevelMax);
      if (marker > 0) any_marker = true;
    }
  }
  const bool show = any_marker || state.spectrum_active;
  state.spectrum_active = any_marker;
  return show;
}

}  // namespace

int32_t BlockPeak(const std::vector<int16_t>& samples, int16_t bits) {
  int32_t peak = 0;
  for (int16_t s : samples) peak = std::max<int32_t>(peak, s);
  return ToSixteenBits(peak, bits);
}

void StepHold(int32_t value, int32_t& hold, int32_t& counter, int32_t refresh_delay) {
  if (hold > value) {
    if (counter > 0)
      counter -= refresh_delay;
    else
      hold = std::max(hold - refresh_delay, 0);
  } else {
    hold = value;
    counter = kHoldTicks;
  }
}

Bands RawBands(const int16_t* samples, int32_t n, int16_t bits) {
  Bands raw{};
  if (n <= 0) return raw;
  n = std::min(n, kPoints);
  int32_t points[kPoints];
  int32_t source = 0, accumulator = 0;
  for (int32_t& point : points) {
    point = samples[source];
    accumulator += n;
    if (accumulator > 255) {
      accumulator -= 256;
      source = std::min(source + 1, n - 1);
    }
  }
  for (int k = 0; k < kBands; ++k) {
    const int step = 1 << k;
    int32_t peak = 0;
    for (int i = 0; i + step < kPoints; i += 2 * step) {
      const int32_t a = points[i], b = points[i + step];
      peak = std::max({peak, a, b});
      points[i] = (a + b) >> 1;
    }
    raw[kBands - 1 - k] = ToSixteenBits(peak, bits);
  }
  return raw;
}

Bands BandDifferences(const Bands& raw) {
  Bands bands = raw;
  for (int j = 1; j < kBands; ++j) bands[j] = std::max(raw[j] - raw[j - 1], 0);
  return bands;
}

Changes Update(AnalysisState& state, const audio::OutputSnapshot& block, int32_t cpu,
               const settings::LevelsSettings& options) {
  const int32_t delay = std::clamp(options.refresh_delay, 1, 4);
  int32_t gain[2];
  ChannelGains(block, options, gain);
  Changes changes;
  if (options.meter_type != 0 || options.gauge_type != 0)
    changes.levels = UpdateLevels(state, block, gain, delay);
  if (options.cpu_usage) {
    const int32_t value = Clamp(cpu, kCpuMax);
    changes.cpu = value != state.shown.cpu;
    state.shown.cpu = value;
  }
  if (options.spectrum_type != 0) changes.spectrum = UpdateSpectrum(state, block, gain, delay);
  return changes;
}

}  // namespace levels
