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
// method may be called from any thread, including from inside the hook (but the
// object must never be destroyed from inside its own hook).
//
// Clocks: the ALSA and null sinks run in real time. The file sink runs under a
// virtual clock: it mixes as fast as sounds are supplied, never repeats a sound
// whose successor is merely late (it waits up to the sound's real duration for a
// queued one), writes nothing while every channel is silent or play is off, and
// stands still while the hook runs. So under PacedInRealTime() == false the hook
// may wait for its producer instead of letting the output run dry.
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
  std::string error;   // set when the variable made no sense; Allocate then fails with it
};
// Parses a TUNEWRIGHT_OUTPUT value (empty: ALSA with alsa_device_fallback, else "default").
OutputChoice ParseOutputChoice(const std::string& text, const std::string& alsa_device_fallback);
// Parses the TUNEWRIGHT_OUTPUT environment variable (unset: as empty).
OutputChoice OutputFromEnvironment(const std::string& alsa_device_fallback);

class VoiceOutput {
 public:
  // Opens the sink and prepares the voices; null with *error set (a message for
  // the user, naming TUNEWRIGHT_OUTPUT) when the sink cannot be opened. A file
  // sink records everything one process plays: the first Allocate on a path
  // truncates it, later ones append at the rate the file was begun with.
  static std::unique_ptr<VoiceOutput> Allocate(const VoiceConfig& config, const OutputChoice& out,
                                               std::string* error);
  virtual ~VoiceOutput() = default;  // stops the mixer and closes the sink

  virtual uint32_t MixFrequency() const = 0;    // the rate actually used
  virtual uint32_t MaxPlaySamples() const = 0;  // largest frames mixed in one pass
  // False under the file sink's virtual clock (see Clocks above).
  virtual bool PacedInRealTime() const = 0;

  // Describes sound index (0 <= index < sounds). May be called again at any time, also
  // for a sound that is playing (a shorter length then ends it sooner). False when out of range.
  virtual bool LoadSound(int index, const Sound& sound) = 0;
  // Plays sound on channel; immediate switches now, otherwise after the current sound
  // ends (at once when the channel is stopped). Queued kNoSound stops the channel when
  // its sound ends. Without a queued sound the current one repeats.
  virtual void SetSound(int channel, int sound, bool immediate) = 0;
  // Not immediate: takes effect when the channel's next sound starts. 0 silences the channel.
  virtual void SetFrequency(int channel, uint32_t hz, bool immediate) = 0;
  // volume 0..1 and above (gain), pan 0.0 = left .. 1.0 = right (linear: a fully left
  // channel reaches only the left output). Not immediate: from the next sound's start.
  virtual void SetVolume(int channel, double volume, double pan, bool immediate) = 0;
  virtual void SetMasterGain(double gain) = 0;  // scales every channel at once
  // Switches mixing on or off (off: positions hold, nothing is mixed or written).
  // Hooks of sounds set while off run as play starts. False when the sink refused to start.
  virtual bool Play(bool on) = 0;

  // Frames of sound handed to the sink but not yet heard; silence written after the
  // last sound does not count (0 for file and null sinks once written).
  virtual uint32_t PendingFrames() const = 0;
  // True while channel has a sound it is playing (a sound set, a frequency above 0).
  virtual bool IsPlaying(int channel) const = 0;
};

// ALSA PCM devices (snd_device_name_hint) that can play, for MODE_NAME.
struct DeviceName {
  uint32_t id;       // stable index-based identifier, from 1 (0 stands for no choice)
  std::string name;  // ALSA name to open ("default", "hw:0,0", "null", ...)
};
// Lists output-capable PCM names, "default" first. Never empty.
std::vector<DeviceName> ListOutputDevices();

}  // namespace audio::voices
