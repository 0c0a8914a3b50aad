#include "decoders/FrameQueue.h"

#include <algorithm>
#include <bit>

#include "decoders/PcmCodec.h"

namespace decoders {
namespace {

constexpr PcmCoding kNativePcm16 =
    std::endian::native == std::endian::big ? PcmCoding::kSigned16Be : PcmCoding::kSigned16Le;

}  // namespace

int16_t* FrameQueue::Append(size_t count) {
  // Frames already taken are dropped before the buffer grows, so it stays at
  // about one library block plus one request.
  if (taken_ > 0) {
    samples_.erase(samples_.begin(), samples_.begin() + std::ptrdiff_t(taken_));
    taken_ = 0;
  }
  const size_t at = samples_.size();
  samples_.resize(at + count * size_t(channels_));
  return samples_.data() + at;
}

size_t FrameQueue::Take(size_t max, void* left, void* right) {
  const size_t count = std::min(max, frames());
  if (count == 0) return 0;
  DecodePcm(kNativePcm16, reinterpret_cast<const uint8_t*>(samples_.data() + taken_), count,
            channels_, left, right);
  taken_ += count * size_t(channels_);
  if (taken_ == samples_.size()) Clear();
  return count;
}

}  // namespace decoders
