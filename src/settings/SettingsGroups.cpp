#include "settings/SettingsGroups.h"

namespace settings {

AudioSettings& Audio() {
  static AudioSettings audio;
  return audio;
}

void SetAudioDefaults() { Audio() = AudioSettings{}; }

namespace {

std::function<void(const AudioSettings&)>& AudioListener() {
  static std::function<void(const AudioSettings&)> listener;
  return listener;
}

}  // namespace

void ApplyAudio(AudioSettings audio) {
  ClampToRanges(audio);
  Audio() = audio;
  if (AudioListener()) AudioListener()(Audio());
}

void SetAudioListener(std::function<void(const AudioSettings&)> listener) {
  AudioListener() = std::move(listener);
}

#define TW_SETTINGS_GROUP(Name, Record) \
  SettingsGroup<Record>& Name() {       \
    static SettingsGroup<Record> group; \
    return group;                       \
  }

TW_SETTINGS_GROUP(Mpeg, MpegSettings)
TW_SETTINGS_GROUP(Karaoke, KaraokeSettings)
TW_SETTINGS_GROUP(Levels, LevelsSettings)
TW_SETTINGS_GROUP(Main, MainSettings)
TW_SETTINGS_GROUP(AudioBase, AudioBaseSettings)
TW_SETTINGS_GROUP(File, FileSettings)
TW_SETTINGS_GROUP(Cdda, CddaSettings)

#undef TW_SETTINGS_GROUP

void ResetAllGroups() {
  SetAudioDefaults();
  Mpeg().Reset();
  Karaoke().Reset();
  Levels().Reset();
  Main().Reset();
  AudioBase().Reset();
  File().Reset();
  Cdda().Reset();
}

}  // namespace settings
