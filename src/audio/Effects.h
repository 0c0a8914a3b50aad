// The sound controls: channel volumes and master gain from VOLUME and BALANCE,
// the bass and treble shelving filters in 8.8 fixed point, and stereo expand.
// Tone and expand change samples in place as the output manager copies them.
#pragma once

#include <cstdint>

namespace audio {

constexpr int kUnityVolume = 64;

struct ChannelVolumes {
  uint16_t volume0 = kUnityVolume;  // channel 0, left
  uint16_t volume1 = kUnityVolume;  // channel 1, right
};
// Volume is clamped to 0..256 and balance to -64..64 first; a positive balance
// lowers the left channel.
ChannelVolumes VolumesFromSettings(int32_t volume, int32_t balance);

// What the voice layer is told: per-channel volume (1.0 = unity) and master gain.
struct OutputGain {
  double channel[2] = {1.0, 1.0};
  double master = 1.0;
};
// Volumes above unity move into the master gain (the louder channel sets it).
OutputGain GainFromVolumes(uint32_t volume0, uint32_t volume1);

// Effect flag bits.
constexpr int kEffectExpand = 1;
constexpr int kEffectTone = 2;

constexpr int kToneLimitDb = 20;  // bass and treble are clamped to +-this

struct ToneCoefficients {
  int16_t g0 = 256;  // direct gain
  int16_t kb = 0;    // bass shelf input gain
  int16_t cb = 0;    // bass shelf feedback
  int16_t kt = 0;    // treble shelf input gain
  int16_t ct = 0;    // treble shelf feedback
};
// Shelves at 300 Hz (bass) and 4000 Hz (treble). A shelf whose corner is at or
// above out_frequency (or any shelf at 0 Hz) is bypassed, since it cannot be
// stable there.
ToneCoefficients ComputeTone(int32_t bass_db, int32_t treble_db, uint32_t out_frequency);

// Per-channel filter memory; carried across pieces, halves and songs.
struct ToneState {
  int16_t p = 0;   // previous half-sample
  int32_t yb = 0;  // previous bass shelf output
  int32_t yt = 0;  // previous treble shelf output
};

void ApplyTone(int16_t* samples, int32_t count, const ToneCoefficients& c, ToneState& state);
void ApplyTone(int8_t* samples, int32_t count, const ToneCoefficients& c, ToneState& state);

// Bitwise complement of every sample (-x - 1): the channel plays in opposite polarity.
void ApplyExpand(int16_t* samples, int32_t count);
void ApplyExpand(int8_t* samples, int32_t count);

}  // namespace audio
