// Holds a producer of frames to real time on the steady clock, for sinks whose
// device takes frames faster than they are heard (null, ALSA's null and file).
#pragma once

#include <chrono>
#include <cstdint>

namespace audio::voices {

class Pacer {
 public:
  explicit Pacer(uint32_t rate) : rate_(rate) {}

  // Starts counting from now (after a pause, so that no burst makes up for it).
  void Restart();
  // Counts frames and sleeps until the last of them is due.
  void Wait(uint32_t frames);

 private:
  uint32_t rate_;
  std::chrono::steady_clock::time_point origin_;  // when frame 0 was due
  uint64_t frames_ = 0;                           // counted since origin_
};

}  // namespace audio::voices
