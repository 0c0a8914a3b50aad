#include "decoders/FrameQueue.h"

#include <algorithm>
#include <cstring>

namespace decoders {

FrameQueue::Room FrameQueue::Append(size_t count) {
  // Frames already taken are dropped before the planes grow, so they stay at
  // about one library block plus one request.
  if (taken_ > 0) {
    left_.erase(left_.begin(), left_.begin() + std::ptrdiff_t(taken_));
    if (channels_ == 2) right_.erase(right_.begin(), right_.begin() + std::ptrdiff_t(taken_));
    taken_ = 0;
  }
  const size_t at = left_.size();
  left_.resize(at + count);
  if (channels_ != 2) return {left_.data() + at, nullptr};
  right_.resize(at + count);
  return {left_.data() + at, right_.data() + at};
}

size_t FrameQueue::Take(size_t max, void* left, void* right) {
  const size_t count = std::min(max, frames());
  if (count == 0) return 0;
  std::memcpy(left, left_.data() + taken_, count * sizeof(int16_t));
  if (channels_ == 2) std::memcpy(right, right_.data() + taken_, count * sizeof(int16_t));
  taken_ += count;
  if (taken_ == left_.size()) Clear();
  return count;
}

}  // namespace decoders
