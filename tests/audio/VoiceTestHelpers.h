// Helpers for the voice layer's tests: sounds made by sox, renders through the
// file sink, and WAVE files read back by sox.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/voices/Voices.h"

namespace voicetest {

using audio::voices::kNoSound;
using audio::voices::OutputChoice;
using audio::voices::ParseOutputChoice;
using audio::voices::SampleType;
using audio::voices::Sound;
using audio::voices::VoiceOutput;

// A sound over 16-bit samples (which must outlive its use).
Sound Mono16(const std::vector<int16_t>& samples);

// Mono signed 16-bit samples from a sox synth effect ("sine 440", "whitenoise").
std::vector<int16_t> SoxSynth(uint32_t rate, double seconds, const std::string& synth);

// Interleaved stereo samples and rate of a WAVE file, as sox reads it.
struct Wave {
  uint32_t rate = 0;
  std::vector<int16_t> samples;
  size_t frames() const { return samples.size() / 2; }
  std::vector<int16_t> Side(int side) const;  // 0 left, 1 right
};
Wave SoxRead(const std::string& path);

// Frequency of a signal from its rising zero crossings.
double ZeroCrossingFrequency(const std::vector<int16_t>& signal, uint32_t rate);

audio::voices::OutputChoice FileOutput(const std::string& path);

// Allocates; fails the running test when that is refused.
std::unique_ptr<VoiceOutput> Allocate(const audio::voices::OutputChoice& out, uint32_t rate,
                                      std::function<void(int)> hook = {});

// Starts sound on channel at hz with volume and pan, immediately.
void Start(VoiceOutput& voices, int channel, int sound, uint32_t hz, double volume, double pan);

// Hook that lets every sound play once: it queues a stop as each sound starts.
std::function<void(int)> PlayOnceHook(VoiceOutput** voices);

// Switches play on and waits (up to a limit) until no channel plays; returns seconds taken.
double PlayUntilSilent(VoiceOutput& voices, int channels = 2);

}  // namespace voicetest
