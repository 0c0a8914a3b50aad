// Helpers for the engine's tests: a synthetic song whose decoder generates a known
// signal (optionally stalling part-way), WAVE songs identified through the WAVE
// module, and an engine session that plays through a chosen output.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "decoders/TrackInfo.h"
#include "platform/Signals.h"

namespace enginetest {

// The synthetic song's sample of a frame and channel (16-bit; 8-bit songs use the high byte).
int16_t SynthSample(int64_t frame, int channel);

struct SynthSpec {
  int32_t frequency = 44100;
  int32_t frames = 44100;
  bool stereo = true;
  int16_t bits = 16;
  bool seekable = true;
  int32_t stall_at_frame = -1;  // decode sleeps once when it reaches this frame
  int stall_ms = 0;
};
// A track whose operations play the synthetic song (one at a time per process).
decoders::TrackInfo MakeSynthTrack(const SynthSpec& spec);
// The interleaved stereo frames the song should sound as (mono duplicated).
std::vector<int16_t> SynthExpected(const SynthSpec& spec);

// Identifies a file through one module's probe; fails the test when refused.
decoders::TrackPtr IdentifyWith(const decoders::DecoderClass& module, const std::string& path);
decoders::TrackPtr IdentifyWave(const std::string& path);

// Interleaved stereo 16-bit samples of a WAVE file as sox reads it, at its own rate.
struct Rendered {
  uint32_t rate = 0;
  std::vector<int16_t> samples;
};
Rendered SoxStereo(const std::string& path);

// Starts the engine on the given TUNEWRIGHT_OUTPUT with default AUDIO settings
// (adjust settings::Audio() before Play); shuts it down at the end of the scope.
class EngineSession {
 public:
  explicit EngineSession(const std::string& output, int32_t buffer_ms = 500);
  ~EngineSession();
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;

  bool started() const { return started_; }
  // Waits for a notification that leaves the reported state at want; false on timeout.
  bool WaitForState(int32_t want, std::chrono::milliseconds limit);
  // Plays a track to its end; returns the reported state at the end (4 when finished).
  int32_t PlayToEnd(const decoders::TrackInfo& track,
                    std::chrono::milliseconds limit = std::chrono::seconds(30));

 private:
  platform::Signals signals_;
  bool started_ = false;
};

constexpr uint32_t kNotifyBit = 1u << 4;

}  // namespace enginetest
