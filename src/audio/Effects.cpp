#include "audio/Effects.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace audio {
namespace {

constexpr double kQuarterTurn = 1.5707963285;  // the tuned constant, not exact pi/2
constexpr double kBassCorner = 300.0;
constexpr double kTrebleCorner = 4000.0;

int16_t ToInt16(double value) {
  const double cut = std::trunc(value);
  return static_cast<int16_t>(std::clamp(cut, -32768.0, 32767.0));
}

// Feedback coefficient of a first-order shelf, or nullopt-like false when the
// corner cannot be represented at this output frequency.
bool ShelfFeedback(double corner, uint32_t out_frequency, int16_t* feedback) {
  if (out_frequency == 0 || corner >= out_frequency) return false;
  const double c = 256.0 * std::tan((corner / out_frequency - 0.5) * kQuarterTurn);
  if (!std::isfinite(c) || c <= -256.0 || c >= 256.0) return false;
  *feedback = ToInt16(c);
  return true;
}

template <typename Sample>
int32_t Clamp(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<Sample>::min(),
                                                  std::numeric_limits<Sample>::max()));
}

int32_t ClampState(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// 8-bit sound feeds its previous shelf outputs back as int16 values.
template <typename Sample>
int64_t Feedback(int32_t y) {
  if constexpr (sizeof(Sample) == 1) return static_cast<int16_t>(y);
  return y;
}

template <typename Sample>
void ToneLoop(Sample* samples, int32_t count, const ToneCoefficients& c, ToneState& s) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t x = samples[i];
    const int32_t h = x >> 1;
    const auto sum = static_cast<int16_t>(h + s.p);
    const auto diff = static_cast<int16_t>(h - s.p);
    const int32_t yb = ClampState((int64_t{c.kb} * sum - c.cb * Feedback<Sample>(s.yb)) >> 8);
    const int32_t yt = ClampState((int64_t{c.kt} * diff - c.ct * Feedback<Sample>(s.yt)) >> 8);
    samples[i] = static_cast<Sample>(Clamp<Sample>(((int64_t{c.g0} * x) >> 8) + yb + yt));
    s.p = static_cast<int16_t>(h);
    s.yb = yb;
    s.yt = yt;
  }
}

template <typename Sample>
void ExpandLoop(Sample* samples, int32_t count) {
  for (int32_t i = 0; i < count; ++i) samples[i] = static_cast<Sample>(~samples[i]);
}

}  // namespace

ChannelVolumes VolumesFromSettings(int32_t volume, int32_t balance) {
  const int32_t v = std::clamp(volume, 0, 256);
  const int32_t b = std::clamp(balance, -64, 64);
  ChannelVolumes out;
  out.volume0 = static_cast<uint16_t>(b < 1 ? v : ((64 - b) * v) >> 6);
  out.volume1 = static_cast<uint16_t>(b < 0 ? ((b + 64) * v) >> 6 : v);
  return out;
}

OutputGain GainFromVolumes(uint32_t volume0, uint32_t volume1) {
  OutputGain gain;
  const uint32_t loudest = std::max(volume0, volume1);
  if (loudest > kUnityVolume) {
    volume0 = volume0 * kUnityVolume / loudest;
    volume1 = volume1 * kUnityVolume / loudest;
    gain.master = loudest / double{kUnityVolume};
  }
  gain.channel[0] = volume0 / double{kUnityVolume};
  gain.channel[1] = volume1 / double{kUnityVolume};
  return gain;
}

ToneCoefficients ComputeTone(int32_t bass_db, int32_t treble_db, uint32_t out_frequency) {
  ToneCoefficients c;
  int16_t cb = 0, ct = 0;
  const bool bass_on = ShelfFeedback(kBassCorner, out_frequency, &cb);
  const bool treble_on = ShelfFeedback(kTrebleCorner, out_frequency, &ct);
  const int32_t bass = std::clamp(bass_db, -kToneLimitDb, kToneLimitDb);
  const int32_t treble = std::clamp(treble_db, -kToneLimitDb, kToneLimitDb);
  // A bypassed shelf adds no gain, so it takes no part in the level correction.
  const double gb = bass_on ? std::pow(10.0, bass / 20.0) - 1.0 : 0.0;
  const double gt = treble_on ? std::pow(10.0, treble / 20.0) - 1.0 : 0.0;
  const double s = 3.0 / (3.0 + 0.5 * gb + 0.5 * gt);
  c.g0 = ToInt16(256.0 * s);
  const int32_t qb = ToInt16(256.0 * gb * s);
  const int32_t qt = ToInt16(256.0 * gt * s);
  if (bass_on) {
    c.cb = cb;
    c.kb = static_cast<int16_t>(((cb + 256) * qb) >> 8);
  }
  if (treble_on) {
    c.ct = ct;
    c.kt = static_cast<int16_t>(((256 - ct) * qt) >> 8);
  }
  return c;
}

void ApplyTone(int16_t* samples, int32_t count, const ToneCoefficients& c, ToneState& state) {
  ToneLoop(samples, count, c, state);
}
void ApplyTone(int8_t* samples, int32_t count, const ToneCoefficients& c, ToneState& state) {
  ToneLoop(samples, count, c, state);
}
void ApplyExpand(int16_t* samples, int32_t count) { ExpandLoop(samples, count); }
void ApplyExpand(int8_t* samples, int32_t count) { ExpandLoop(samples, count); }

}  // namespace audio
