// The output manager's rings: one ring of frames per channel, filled by whole
// blocks and drained in pieces. Not locked: its owner serialises access.
#pragma once

#include <cstdint>
#include <vector>

namespace audio {

class AudioRing {
 public:
  // Empties and resizes; false when the memory cannot be had.
  bool Allocate(int32_t frames, int channels, int bytes_per_sample);
  void Free();
  void Clear();  // drops every queued frame

  int32_t capacity() const { return capacity_; }
  int32_t queued() const { return queued_; }
  int32_t room() const { return capacity_ - queued_; }

  // Copies a whole block (one buffer per channel); false, nothing copied, when it does not fit.
  bool Write(const void* const buffers[2], int32_t frames);
  // Points piece at the oldest frames of the channel, as far as they run without
  // wrapping (at most frames); returns that length. Consume moves past them.
  int32_t Peek(int channel, int32_t frames, const uint8_t** piece) const;
  void Consume(int32_t frames);

 private:
  std::vector<uint8_t> data_[2];
  int32_t capacity_ = 0;
  int32_t read_ = 0;
  int32_t write_ = 0;
  int32_t queued_ = 0;
  int channels_ = 0;
  int bytes_ = 0;
};

}  // namespace audio
