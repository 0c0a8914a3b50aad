// Where VoiceOutput sends its mixed frames. Every call but PendingFrames comes
// from the mixer thread; PendingFrames may come from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/voices/Voices.h"

namespace audio::voices {

class Sink {
 public:
  virtual ~Sink() = default;

  virtual uint32_t Rate() const = 0;  // frames per second actually used
  // False for a sink under a virtual clock (it must not be fed silence).
  virtual bool RealTime() const = 0;
  // Play switched on (again): false when the sink refuses to start.
  virtual bool Start() = 0;
  // Play switched off: stop consuming frames soon.
  virtual void Pause() = 0;
  // Takes interleaved S16 stereo frames; the first `sounding` of them carry sound,
  // the rest silence. Returns when the sink can take more. False on a failure.
  virtual bool Write(const int16_t* frames, uint32_t count, uint32_t sounding) = 0;
  // Sounding frames taken but not yet heard.
  virtual uint32_t PendingFrames() const = 0;
};

// Opens the chosen sink at about rate frames per second (0: the sink's choice);
// null with *error set to a message for the user.
std::unique_ptr<Sink> OpenSink(const OutputChoice& choice, uint32_t rate, std::string* error);

// The sinks OpenSink chooses among.
std::unique_ptr<Sink> OpenAlsaSink(const std::string& device, uint32_t rate, std::string* error);
std::unique_ptr<Sink> OpenFileSink(const std::string& path, uint32_t rate, std::string* error);
std::unique_ptr<Sink> OpenNullSink(uint32_t rate);

constexpr uint32_t kDefaultRate = 44100;
constexpr int kBytesPerFrame = 4;  // S16 stereo

}  // namespace audio::voices
