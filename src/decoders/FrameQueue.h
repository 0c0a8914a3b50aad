// Decoded frames waiting for decode(): the outside libraries hand out whole
// blocks of their own size, the player asks for 0.1 s at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace decoders {

class FrameQueue {
 public:
  // channels is 1 or 2: the frames are kept interleaved as decode() delivers them.
  explicit FrameQueue(int channels = 2) : channels_(channels) {}

  int channels() const { return channels_; }
  size_t frames() const { return (samples_.size() - taken_) / size_t(channels_); }
  // Empties the queue and sets the channel count of the frames to come.
  void Reset(int channels) {
    Clear();
    channels_ = channels;
  }
  void Clear() {
    samples_.clear();
    taken_ = 0;
  }
  // Room for count more frames at the end, to be filled at once.
  int16_t* Append(size_t count);
  // Moves up to max frames out, de-interleaved: channel 0 into left, channel 1
  // into right (one channel: left only). Returns the frames moved.
  size_t Take(size_t max, void* left, void* right);

 private:
  int channels_;
  std::vector<int16_t> samples_;
  size_t taken_ = 0;  // samples already moved out
};

}  // namespace decoders
