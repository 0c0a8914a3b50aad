#include "audio/AudioRing.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace audio {

bool AudioRing::Allocate(int32_t frames, int channels, int bytes_per_sample) {
  Free();
  try {
    for (int c = 0; c < channels; ++c)
      data_[c].assign(static_cast<size_t>(frames) * bytes_per_sample, 0);
  } catch (const std::bad_alloc&) {
    Free();
    return false;
  }
  capacity_ = frames;
  channels_ = channels;
  bytes_ = bytes_per_sample;
  return true;
}

void AudioRing::Free() {
  for (auto& d : data_) std::vector<uint8_t>().swap(d);
  capacity_ = channels_ = bytes_ = 0;
  Clear();
}

void AudioRing::Clear() { read_ = write_ = queued_ = 0; }

bool AudioRing::Write(const void* const buffers[2], int32_t frames) {
  if (frames < 0 || frames > room()) return false;
  int32_t done = 0;
  while (done < frames) {
    const int32_t piece = std::min(capacity_ - write_, frames - done);
    for (int c = 0; c < channels_; ++c) {
      const auto* from = static_cast<const uint8_t*>(buffers[c]) + size_t(done) * bytes_;
      std::memcpy(data_[c].data() + size_t(write_) * bytes_, from, size_t(piece) * bytes_);
    }
    write_ = (write_ + piece) % capacity_;
    queued_ += piece;
    done += piece;
  }
  return true;
}

int32_t AudioRing::Peek(int channel, int32_t frames, const uint8_t** piece) const {
  const int32_t n = std::min({frames, queued_, capacity_ - read_});
  *piece = data_[channel].data() + size_t(read_) * bytes_;
  return std::max(n, 0);
}

void AudioRing::Consume(int32_t frames) {
  read_ = (read_ + frames) % capacity_;
  queued_ -= frames;
}

}  // namespace audio
