// Sample conversion and the mixing decision: WAVE-style interleaved PCM into the
// engine's layout (buffer 0 = first/only channel, buffer 1 = second channel,
// signed samples in native order), and whether a song is mixed at MIXING_FREQ.
#pragma once

#include <cstdint>

namespace audio {

// Converts frames of unsigned 8-bit or little-endian signed 16-bit interleaved PCM.
// bits must be 8 or 16 and channels 1 or 2; anything else converts nothing and
// returns false. The source is read strictly forward, never past frames x channels
// x bytes; with one channel the source may be buffer0 itself (in place).
bool ConvertLittleEndianPcm(const void* source, void* buffer0, void* buffer1, int32_t frames,
                            int bits, int channels);

// The mixing decision for a song of that frequency, from MIXING_MODE and LIMIT_FREQ.
int ConversionWanted(uint32_t frequency);

// Mixing on and the mixing frequency, as handed to the output.
struct MixChoice {
  bool mixing = false;
  uint32_t mix_frequency = 0;
};

// The output limit: nothing plays out above kMaxPlayFrequency. effective is
// MIXING_FREQ when conversion_flag is set, else out_frequency; above the limit
// mixing is forced on at the limit. The limit is 48000, the rate of most
// devices, so a 48 kHz song reaches a 48 kHz device without being resampled
// twice (down to 44100 here, back up to 48000 by the device).
MixChoice ApplyMixLimit(MixChoice choice, bool conversion_flag, uint32_t mixing_freq,
                        uint32_t out_frequency);

constexpr uint32_t kMaxPlayFrequency = 48000;

}  // namespace audio
