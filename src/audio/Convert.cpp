#include "audio/Convert.h"

#include "settings/SettingsGroups.h"

namespace audio {
namespace {

int8_t FromUnsigned8(uint8_t b) { return static_cast<int8_t>(b - 128); }

int16_t FromLittleEndian16(const uint8_t* b) {
  return static_cast<int16_t>(static_cast<uint16_t>(b[0] | (b[1] << 8)));
}

}  // namespace

bool ConvertLittleEndianPcm(const void* source, void* buffer0, void* buffer1, int32_t frames,
                            int bits, int channels) {
  if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2)) return false;
  const auto* in = static_cast<const uint8_t*>(source);
  // Reading each frame's bytes before writing its samples keeps in-place mono safe:
  // the write index never overtakes the read index.
  if (bits == 8) {
    auto* out0 = static_cast<int8_t*>(buffer0);
    auto* out1 = static_cast<int8_t*>(buffer1);
    for (int32_t i = 0; i < frames; ++i) {
      const uint8_t first = *in++;
      if (channels == 2) out1[i] = FromUnsigned8(*in++);
      out0[i] = FromUnsigned8(first);
    }
    return true;
  }
  auto* out0 = static_cast<int16_t*>(buffer0);
  auto* out1 = static_cast<int16_t*>(buffer1);
  for (int32_t i = 0; i < frames; ++i) {
    const int16_t first = FromLittleEndian16(in);
    in += 2;
    if (channels == 2) {
      out1[i] = FromLittleEndian16(in);
      in += 2;
    }
    out0[i] = first;
  }
  return true;
}

int ConversionWanted(uint32_t frequency) {
  const settings::AudioSettings& audio = settings::Audio();
  if (audio.mixing_mode == 0) return 0;
  if (audio.mixing_mode == 1) return 1;
  return audio.limit_freq >= frequency ? 1 : 0;
}

MixChoice ApplyMixLimit(MixChoice choice, bool conversion_flag, uint32_t mixing_freq,
                        uint32_t out_frequency) {
  const uint32_t effective = conversion_flag ? mixing_freq : out_frequency;
  if (effective > kMaxPlayFrequency) {
    choice.mixing = true;
    choice.mix_frequency = kMaxPlayFrequency;
  }
  return choice;
}

}  // namespace audio
