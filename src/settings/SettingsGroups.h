// Settings groups: each group holds the current record of its consumer and offers
// fetch (copy out) and apply (copy in and let the consumer act at once). The
// loader, the saver and the options window use only these two operations.
//
// The AUDIO values are the audio engine's globals and are written directly.
#pragma once

#include <functional>
#include <mutex>
#include <utility>

#include "settings/SettingsRanges.h"
#include "settings/SettingsRecords.h"

namespace settings {

template <typename Record>
class SettingsGroup {
 public:
  using Listener = std::function<void(const Record&)>;

  Record Fetch() const {
    std::lock_guard lock(mutex_);
    return current_;
  }
  // Brings the values into their ranges, stores them, then tells the consumer
  // (outside the lock) with the stored record.
  void Apply(Record record) {
    ClampToRanges(record);
    Listener listener;
    {
      std::lock_guard lock(mutex_);
      current_ = record;
      listener = listener_;
    }
    if (listener) listener(record);
  }
  // The consuming module registers how it acts on a newly applied record.
  void SetListener(Listener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
  }
  // Back to the built-in defaults, without telling the consumer.
  void Reset() {
    std::lock_guard lock(mutex_);
    current_ = Record{};
  }

 private:
  mutable std::mutex mutex_;
  Record current_{};   // protected by mutex_
  Listener listener_;  // protected by mutex_
};

// The audio engine's global settings (AUDIO). Written by the loader and the
// command-line options on the main task before the engine starts.
AudioSettings& Audio();
// Sets every AUDIO value to the engine's defaults.
void SetAudioDefaults();
// Brings the values into their ranges, stores them as the engine's globals and
// tells the engine (so a new PRIORITY reaches a running player task). Main task only.
void ApplyAudio(AudioSettings audio);
// The engine registers how it acts on newly applied AUDIO values.
void SetAudioListener(std::function<void(const AudioSettings&)> listener);

SettingsGroup<MpegSettings>& Mpeg();
SettingsGroup<KaraokeSettings>& Karaoke();
SettingsGroup<LevelsSettings>& Levels();
SettingsGroup<MainSettings>& Main();
SettingsGroup<AudioBaseSettings>& AudioBase();
SettingsGroup<FileSettings>& File();
SettingsGroup<CddaSettings>& Cdda();

// Every group, AUDIO included, back to its built-in defaults, as a first run has
// them; the listeners stay registered. Main task only.
void ResetAllGroups();

}  // namespace settings
