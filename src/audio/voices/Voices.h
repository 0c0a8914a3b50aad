// The voice layer: two voices with frequency, volume and pan, a master gain,
// double-buffered sounds with a sound-start callback, mixed to signed 16-bit
// stereo at the device rate and handed to one sink (ALSA, a WAVE file, or null).
//
// It stands where the output manager expects a retargetable audio system:
//   Allocate        ~ allocating audio (mixing frequency, 2 channels, N sounds, hook)
//   LoadSound       ~ loading a dynamic sound (the buffer is read while playing)
//   SetSound/SetFrequency/SetVolume ~ per-channel changes, immediate or queued
//   Play(true)      ~ switching play on (the mixer thread runs)
//
// Threads: the mixer runs on its own thread ("TW_Mixer") and calls the sound
// hook from it, never while holding the voice layer's own lock. Every other
// method may be called from any thread, including from inside the hook.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace audio::voices {

enum class SampleType : uint8_t { kMono8, kMono16 };  // signed 8-bit or native int16

struct Sound {
  SampleType type = SampleType::kMono16;
  const void* data = nullptr;  // read while playing: keep it alive until unloaded
  uint32_t frames = 0;
};

constexpr int kNoSound = -1;  // SetSound: stop the channel

struct VoiceConfig {
  uint32_t mix_frequency = 44100;  // requested device rate; 0 means the sink's choice
  int channels = 2;
  int sounds = 4;
  // Called on the mixer thread each time a channel starts playing a sound
  // (including a sound that repeats because nothing was queued after it).
  std::function<void(int channel)> sound_start_hook;
};

// Where the mixed S16 stereo frames go. Chosen from TUNEWRIGHT_OUTPUT:
//   "alsa[:DEVICE]" (default), "file:PATH", "null".
struct OutputChoice {
  enum class Kind { kAlsa, kFile, kNull } kind = Kind::kAlsa;
  std::string target;  // ALSA device name or file path
};
// Parses TUNEWRIGHT_OUTPUT (unset or empty: ALSA with alsa_device_fallback, else "default").
OutputChoice OutputFromEnvironment(const std::string& alsa_device_fallback);

class VoiceOutput {
 public:
  // Opens the sink and prepares the voices; null with *error set (a message for
  // the user) when the sink cannot be opened.
  static std::unique_ptr<VoiceOutput> Allocate(const VoiceConfig& config, const OutputChoice& out,
                                               std::string* error);
  virtual ~VoiceOutput() = default;  // stops the mixer and closes the sink

  virtual uint32_t MixFrequency() const = 0;  // the rate actually used
  virtual uint32_t MaxPlaySamples() const = 0;  // largest frames mixed in one pass

  virtual bool LoadSound(int index, const Sound& sound) = 0;
  // Plays sound on channel; immediate switches now, otherwise after the current sound ends.
  virtual void SetSound(int channel, int sound, bool immediate) = 0;
  virtual void SetFrequency(int channel, uint32_t hz, bool immediate) = 0;
  // volume 0..1 and above (gain), pan 0.0 = left .. 1.0 = right.
  virtual void SetVolume(int channel, double volume, double pan, bool immediate) = 0;
  virtual void SetMasterGain(double gain) = 0;
  // Switches mixing on or off. False when the sink refused to start.
  virtual bool Play(bool on) = 0;

  // Frames handed to the sink but not yet heard (0 for file and null sinks once written).
  virtual uint32_t PendingFrames() const = 0;
};

// ALSA PCM devices (snd_device_name_hint), for MODE_NAME and the options window.
struct DeviceName {
  uint32_t id;       // stable index-based identifier
  std::string name;  // ALSA name to open ("default", "hw:0,0", "null", ...)
};
std::vector<DeviceName> ListOutputDevices();

}  // namespace audio::voices
