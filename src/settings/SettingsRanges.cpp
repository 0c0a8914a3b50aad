#include "settings/SettingsRanges.h"

#include <algorithm>

namespace settings {
namespace {

template <typename T>
void Clamp(T& value, T low, T high) {
  value = std::clamp(value, low, high);
}

// Lowest and highest frequency the mixing and decoding tables offer.
constexpr uint32_t kMinFrequency = 4000;
constexpr uint32_t kMaxFrequency = 48000;

void ClampLayer(MpegLayerSettings& layer) {
  Clamp(layer.mono_freq_max, kMinFrequency, kMaxFrequency);
  Clamp(layer.stereo_freq_max, kMinFrequency, kMaxFrequency);
  Clamp<uint32_t>(layer.mono_quality, 0, 2);
  Clamp<uint32_t>(layer.stereo_quality, 0, 2);
}

}  // namespace

void ClampToRanges(AudioSettings& audio) {
  Clamp(audio.volume, 0, 256);
  Clamp(audio.balance, -64, 64);
  Clamp(audio.bass, -20, 20);
  Clamp(audio.treble, -20, 20);
  Clamp(audio.mixing_freq, kMinFrequency, kMaxFrequency);
  // The ring holds BUFFER_TIME of audio: keep it between the command line's
  // minimum and the options window's 30 seconds.
  Clamp<uint32_t>(audio.buffer_time, 50, 30000);
  Clamp<int8_t>(audio.priority, -9, 9);
  Clamp(audio.replaygain, 0, 2);
  Clamp(audio.replaygain_preamp, -15, 15);
}

void ClampToRanges(MpegSettings& mpeg) {
  ClampLayer(mpeg.layer12);
  ClampLayer(mpeg.layer3);
}

void ClampToRanges(KaraokeSettings& karaoke) {
  Clamp(karaoke.advance_time, 0, 1000);
  Clamp<uint16_t>(karaoke.lines, 1, 2);
}

void ClampToRanges(LevelsSettings& levels) {
  Clamp<uint16_t>(levels.meter_type, 0, 2);
  Clamp<uint16_t>(levels.gauge_type, 0, 2);
  Clamp<uint16_t>(levels.spectrum_type, 0, 2);
  Clamp<int8_t>(levels.priority, -9, 9);
  Clamp(levels.refresh_delay, 1, 4);
}

void ClampToRanges(MainSettings& main) {
  Clamp(main.inter_file, 0, 5);
  Clamp(main.intro_duration, 1, 60);
}

void ClampToRanges(AudioBaseSettings&) {}

void ClampToRanges(FileSettings& file) {
  // 0 is left alone: the file layer reads it as its 32K default.
  Clamp<uint32_t>(file.buffer_size, 0, 256);
}

void ClampToRanges(CddaSettings& cdda) {
  Clamp(cdda.unit, 0, 15);
  Clamp(cdda.method, 0, 5);
}

}  // namespace settings
