#include "audio/voices/Mixer.h"

#include <algorithm>
#include <cmath>

namespace audio::voices {
namespace {

constexpr int kFractionBits = 32;
constexpr uint64_t kFractionMask = (uint64_t{1} << kFractionBits) - 1;
constexpr int kGainBits = 16;
constexpr double kUnityGain = 1 << kGainBits;
// 256 × unity: far beyond any useful gain, and a sample times it still fits easily.
constexpr double kMaxGain = 256.0;

double Sanitised(double value, double low, double high) {
  if (std::isnan(value)) return low;
  return std::clamp(value, low, high);
}

int16_t Clipped(int64_t sample) {
  return static_cast<int16_t>(std::clamp<int64_t>(sample, INT16_MIN, INT16_MAX));
}

int32_t SourceSample(const Sound& sound, uint32_t index) {
  if (sound.type == SampleType::kMono8) {
    return static_cast<int32_t>(static_cast<const int8_t*>(sound.data)[index]) * 256;
  }
  return static_cast<const int16_t*>(sound.data)[index];
}

}  // namespace

Mixer::Mixer(uint32_t mix_frequency, int channels, int sounds)
    : mix_frequency_(std::max<uint32_t>(mix_frequency, 1)),
      sounds_(static_cast<size_t>(std::max(sounds, 0))),
      channels_(static_cast<size_t>(std::clamp(channels, 1, kMaxChannels))) {
  for (Channel& channel : channels_) UpdateGains(channel);
}

bool Mixer::ValidChannel(int channel) const { return channel >= 0 && channel < channels(); }

bool Mixer::LoadSound(int index, const Sound& sound) {
  if (index < 0 || index >= static_cast<int>(sounds_.size())) return false;
  sounds_[static_cast<size_t>(index)] = sound;
  return true;
}

const Sound* Mixer::CurrentSound(const Channel& channel) const {
  if (channel.sound < 0 || channel.sound >= static_cast<int>(sounds_.size())) return nullptr;
  const Sound& sound = sounds_[static_cast<size_t>(channel.sound)];
  if (sound.data == nullptr || sound.frames == 0) return nullptr;
  return &sound;
}

void Mixer::StartSound(Channel& channel, int sound) {
  channel.sound = sound;
  channel.started = sound != kNoSound;
  Queued& next = channel.next;
  next.sound_set = false;
  if (next.frequency_set) ApplyFrequency(channel, next.frequency);
  if (next.volume_set) ApplyVolume(channel, next.volume, next.pan);
  next.frequency_set = false;
  next.volume_set = false;
}

void Mixer::SetSound(int channel, int sound, bool immediate) {
  if (!ValidChannel(channel)) return;
  Channel& ch = channels_[static_cast<size_t>(channel)];
  if (sound < 0) sound = kNoSound;
  if (immediate || ch.sound == kNoSound) {
    ch.position = 0;
    StartSound(ch, sound);
    return;
  }
  ch.next.sound_set = true;
  ch.next.sound = sound;
}

void Mixer::ApplyFrequency(Channel& channel, uint32_t hz) {
  channel.frequency = hz;
  channel.step = (static_cast<uint64_t>(hz) << kFractionBits) / mix_frequency_;
}

void Mixer::SetFrequency(int channel, uint32_t hz, bool immediate) {
  if (!ValidChannel(channel)) return;
  Channel& ch = channels_[static_cast<size_t>(channel)];
  ch.next.frequency_set = !immediate;
  ch.next.frequency = hz;
  if (immediate) ApplyFrequency(ch, hz);
}

void Mixer::ApplyVolume(Channel& channel, double volume, double pan) {
  channel.volume = Sanitised(volume, 0.0, kMaxGain);
  channel.pan = Sanitised(pan, 0.0, 1.0);
  UpdateGains(channel);
}

void Mixer::SetVolume(int channel, double volume, double pan, bool immediate) {
  if (!ValidChannel(channel)) return;
  Channel& ch = channels_[static_cast<size_t>(channel)];
  ch.next.volume_set = !immediate;
  ch.next.volume = volume;
  ch.next.pan = pan;
  if (immediate) ApplyVolume(ch, volume, pan);
}

void Mixer::SetMasterGain(double gain) {
  master_gain_ = Sanitised(gain, 0.0, kMaxGain);
  for (Channel& channel : channels_) UpdateGains(channel);
}

void Mixer::UpdateGains(Channel& channel) const {
  const double gain = std::min(channel.volume * master_gain_, kMaxGain) * kUnityGain;
  channel.gain_left = std::llround(gain * (1.0 - channel.pan));
  channel.gain_right = std::llround(gain * channel.pan);
}

bool Mixer::IsPlaying(int channel) const {
  if (!ValidChannel(channel)) return false;
  const Channel& ch = channels_[static_cast<size_t>(channel)];
  return ch.frequency > 0 && CurrentSound(ch) != nullptr;
}

bool Mixer::AnyPlaying() const {
  for (int c = 0; c < channels(); ++c) {
    if (IsPlaying(c)) return true;
  }
  return false;
}

double Mixer::SoundSeconds(int channel) const {
  if (!IsPlaying(channel)) return 0.0;
  const Channel& ch = channels_[static_cast<size_t>(channel)];
  return static_cast<double>(CurrentSound(ch)->frames) / ch.frequency;
}

bool Mixer::AdvancePastEnd(Channel& channel, bool hold_repeat) {
  if (!channel.next.sound_set && hold_repeat) return false;
  const uint64_t length = static_cast<uint64_t>(CurrentSound(channel)->frames) << kFractionBits;
  // Keep the overshoot so that resampled sounds join without a jump in phase.
  channel.position -= std::min(length, channel.position);
  StartSound(channel, channel.next.sound_set ? channel.next.sound : channel.sound);
  return true;
}

int32_t Mixer::SampleAt(const Sound& sound, uint64_t position) {
  const auto index = static_cast<uint32_t>(position >> kFractionBits);
  const int64_t fraction = static_cast<int64_t>(position & kFractionMask);
  const int32_t a = SourceSample(sound, index);
  if (fraction == 0) return a;
  const int32_t b = index + 1 < sound.frames ? SourceSample(sound, index + 1) : a;
  return a + static_cast<int32_t>(((b - a) * fraction) >> kFractionBits);
}

uint32_t Mixer::FramesBeforeEnd(const Channel& channel) const {
  const uint64_t length = static_cast<uint64_t>(CurrentSound(channel)->frames) << kFractionBits;
  if (channel.position >= length) return 0;
  const uint64_t left = length - channel.position;
  return static_cast<uint32_t>(
      std::min<uint64_t>((left + channel.step - 1) / channel.step, UINT32_MAX));
}

void Mixer::MixRun(int16_t* out, uint32_t frames) {
  std::vector<int64_t>& sums = accumulator_;
  sums.assign(size_t{frames} * 2, 0);
  for (int c = 0; c < channels(); ++c) {
    if (!IsPlaying(c)) continue;
    Channel& ch = channels_[static_cast<size_t>(c)];
    const Sound& sound = *CurrentSound(ch);
    for (uint32_t f = 0; f < frames; ++f) {
      const int64_t sample = SampleAt(sound, ch.position);
      sums[2 * f] += sample * ch.gain_left;
      sums[2 * f + 1] += sample * ch.gain_right;
      ch.position += ch.step;
    }
  }
  for (size_t i = 0; i < size_t{frames} * 2; ++i) out[i] = Clipped(sums[i] >> kGainBits);
}

MixResult Mixer::Mix(int16_t* out, uint32_t frames, uint32_t hold_repeats) {
  uint32_t f = 0;
  while (f < frames) {
    uint32_t run = frames - f;
    for (int c = 0; c < channels(); ++c) {
      Channel& ch = channels_[static_cast<size_t>(c)];
      if (!IsPlaying(c)) continue;
      if ((ch.position >> kFractionBits) >= CurrentSound(ch)->frames &&
          !AdvancePastEnd(ch, (hold_repeats >> c) & 1)) {
        return {f, MixStop::kAwaitNext, c};
      }
    }
    for (int c = 0; c < channels(); ++c) {
      const Channel& ch = channels_[static_cast<size_t>(c)];
      if (ch.started) return {f, MixStop::kStarted, c};
      if (IsPlaying(c)) run = std::min(run, FramesBeforeEnd(ch));
    }
    if (!AnyPlaying()) return {f, MixStop::kSilent, -1};
    MixRun(out + size_t{f} * 2, run);
    f += run;
  }
  return {frames, MixStop::kFull, -1};
}

std::vector<int> Mixer::TakeStartedChannels() {
  std::vector<int> started;
  for (int c = 0; c < channels(); ++c) {
    Channel& ch = channels_[static_cast<size_t>(c)];
    if (ch.started) started.push_back(c);
    ch.started = false;
  }
  return started;
}

}  // namespace audio::voices
