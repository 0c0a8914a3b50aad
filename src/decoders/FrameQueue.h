// Decoded frames waiting for decode(): the outside libraries hand out whole
// blocks of their own size, the player asks for 0.1 s at a time. Frames are
// kept as decode() delivers them, one plane per channel (one or two).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace decoders {

class FrameQueue {
 public:
  explicit FrameQueue(int channels = 2) : channels_(channels) {}

  int channels() const { return channels_; }
  size_t frames() const { return left_.size() - taken_; }
  // Empties the queue and sets the channel count (1 or 2) of the frames to come.
  void Reset(int channels) {
    Clear();
    channels_ = channels;
  }
  void Clear() {
    left_.clear();
    right_.clear();
    taken_ = 0;
  }

  // Room for count more frames at the end of each plane, to be filled at once;
  // right is null for one channel.
  struct Room {
    int16_t* left;
    int16_t* right;
  };
  Room Append(size_t count);
  // Moves up to max frames out: channel 0 into left, channel 1 into right (one
  // channel: left only). Returns the frames moved.
  size_t Take(size_t max, void* left, void* right);

 private:
  int channels_;
  std::vector<int16_t> left_, right_;
  size_t taken_ = 0;  // frames already moved out
};

}  // namespace decoders
