#include "shell/StartupOptions.h"

#include <cstdio>

#include "decoders/ReplayGain.h"
#include "platform/ArgTemplate.h"

namespace shell {
namespace {

// Result slots, in template order.
enum Slot { kName, kVerbosity, kAhiMode, kMixing, kBuffer, kExpand, kVolume, kBalance, kBass,
            kTreble, kFilter, kGui, kIconified, kReplayGain };

void ApplyAhiMode(const std::string& text, settings::AudioSettings& audio) {
  unsigned int id = 0;
  // "%x" takes an optional 0x; text that is not hexadecimal keeps the old mode.
  if (std::sscanf(text.c_str(), "%x", &id) == 1) audio.mode_id = id;
  audio.device = 1;
}

void ApplyMixing(int32_t value, settings::AudioSettings& audio) {
  audio.mixing_freq = static_cast<uint32_t>(value);
  audio.mixing_mode = value != 0 ? 1 : 0;
  // Compared unsigned, so a negative frequency becomes the highest.
  if (audio.mixing_freq <= 3999) audio.mixing_freq = 4000;
  if (audio.mixing_freq > 48000) audio.mixing_freq = 48000;
}

void ApplyBuffer(int32_t value, settings::AudioSettings& audio) {
  audio.buffer_time = static_cast<uint32_t>(value <= 49 ? 50 : value > 10000 ? 10000 : value);
}

}  // namespace

std::optional<StartupOptions> ParseStartupOptions(const std::vector<std::string>& words,
                                                  settings::AudioSettings& audio) {
  StartupOptions options;
  if (words.empty()) {
    options.windowed = true;
    return options;
  }
  static const platform::ArgTemplate kTemplate(kStartupTemplate);
  const auto parsed = kTemplate.Parse(words);
  if (!parsed) return std::nullopt;
  const std::vector<platform::ArgValue>& v = *parsed;

  options.names = v[kName].list;
  if (v[kVerbosity].present) options.verbosity = v[kVerbosity].number;
  if (v[kAhiMode].present) ApplyAhiMode(v[kAhiMode].text, audio);
  if (v[kFilter].present) audio.filter = static_cast<uint16_t>(v[kFilter].number);
  if (v[kMixing].present) ApplyMixing(v[kMixing].number, audio);
  if (v[kVolume].present) audio.volume = v[kVolume].number;
  if (v[kBalance].present) audio.balance = v[kBalance].number;
  if (v[kBass].present) {
    audio.bass = v[kBass].number;
    audio.bass_treble = 1;
  }
  if (v[kTreble].present) {
    audio.treble = v[kTreble].number;
    audio.bass_treble = 1;
  }
  if (v[kBuffer].present) ApplyBuffer(v[kBuffer].number, audio);
  if (v[kGui].present) options.windowed = true;
  if (v[kExpand].present) audio.expand = static_cast<uint16_t>(v[kExpand].number);
  if (v[kIconified].present) {
    options.windowed = true;
    options.iconified = true;
  }
  if (v[kReplayGain].present) {
    const auto mode = decoders::ParseReplayGainMode(v[kReplayGain].text);
    if (!mode) return std::nullopt;
    audio.replaygain = static_cast<int32_t>(*mode);
  }
  if (options.names.empty() && !options.windowed) return std::nullopt;
  return options;
}

}  // namespace shell
