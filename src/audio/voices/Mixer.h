// The voices without threads or sinks: per-channel sound, queued changes,
// resampling by linear interpolation, volume, pan and master gain, summed and
// clipped to interleaved S16 stereo. Not thread-safe: VoiceOutput guards it.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/voices/Voices.h"

namespace audio::voices {

// Why a call to Mixer::Mix stopped before filling every frame asked for.
enum class MixStop : uint8_t {
  kFull,       // every frame was mixed
  kStarted,    // a channel started a sound: its hook must run before more is mixed
  kSilent,     // no channel plays any more
  kAwaitNext,  // a channel reached its sound's end with nothing queued (hold_repeats)
};

struct MixResult {
  uint32_t frames = 0;
  MixStop stop = MixStop::kFull;
  int channel = -1;  // the channel that stopped the pass, for kStarted and kAwaitNext
};

class Mixer {
 public:
  static constexpr int kMaxChannels = 32;  // one bit each in a hold mask

  // channels is cut to 1..kMaxChannels.
  Mixer(uint32_t mix_frequency, int channels, int sounds);

  uint32_t mix_frequency() const { return mix_frequency_; }
  int channels() const { return static_cast<int>(channels_.size()); }

  bool LoadSound(int index, const Sound& sound);
  void SetSound(int channel, int sound, bool immediate);
  void SetFrequency(int channel, uint32_t hz, bool immediate);
  void SetVolume(int channel, double volume, double pan, bool immediate);
  void SetMasterGain(double gain);

  bool IsPlaying(int channel) const;
  bool AnyPlaying() const;
  // Seconds the channel's current sound lasts at its frequency (0 when silent).
  double SoundSeconds(int channel) const;

  // Mixes up to frames into out (2 × frames samples). A channel c with bit c of
  // hold_repeats whose sound ends with nothing queued is left at its end instead
  // of repeating.
  MixResult Mix(int16_t* out, uint32_t frames, uint32_t hold_repeats);

  // Channels that started a sound since the last call, in channel order; clears them.
  std::vector<int> TakeStartedChannels();

 private:
  struct Queued {
    bool sound_set = false;
    int sound = kNoSound;
    bool frequency_set = false;
    uint32_t frequency = 0;
    bool volume_set = false;
    double volume = 1.0;
    double pan = 0.5;
  };
  struct Channel {
    int sound = kNoSound;
    uint64_t position = 0;  // 32.32 fixed-point frame index into the sound
    uint64_t step = 0;      // 32.32 source frames per output frame
    uint32_t frequency = 0;
    double volume = 1.0;
    double pan = 0.5;
    int64_t gain_left = 0;  // 16.16, volume × pan side × master gain
    int64_t gain_right = 0;
    Queued next;
    bool started = false;  // a sound began and its hook has not run yet
  };

  bool ValidChannel(int channel) const;
  const Sound* CurrentSound(const Channel& channel) const;
  void StartSound(Channel& channel, int sound);
  void ApplyFrequency(Channel& channel, uint32_t hz);
  void ApplyVolume(Channel& channel, double volume, double pan);
  void UpdateGains(Channel& channel) const;
  // Moves a channel that reached its sound's end to what follows; false when it must wait.
  bool AdvancePastEnd(Channel& channel, bool hold_repeat);
  static int32_t SampleAt(const Sound& sound, uint64_t position);
  // Output frames the channel can mix before its sound's end.
  uint32_t FramesBeforeEnd(const Channel& channel) const;
  // Mixes frames that cross no sound's end.
  void MixRun(int16_t* out, uint32_t frames);

  uint32_t mix_frequency_;
  double master_gain_ = 1.0;
  std::vector<Sound> sounds_;
  std::vector<Channel> channels_;
  std::vector<int64_t> accumulator_;  // interleaved sums of one run, 16.16
};

}  // namespace audio::voices
