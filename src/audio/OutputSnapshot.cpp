#include "audio/OutputSnapshot.h"

#include <algorithm>

namespace audio {
namespace {

void CopySamples(const void* from, int32_t frames, int16_t bits, std::vector<int16_t>& to) {
  to.resize(size_t(frames));
  if (bits == 8) {
    const auto* bytes = static_cast<const int8_t*>(from);
    std::copy(bytes, bytes + frames, to.begin());
  } else {
    const auto* words = static_cast<const int16_t*>(from);
    std::copy(words, words + frames, to.begin());
  }
}

}  // namespace

void OutputSnapshotSlot::Store(const LastBlockInfo& info) {
  const bool usable = info.frames > 0 && (info.bits == 8 || info.bits == 16) &&
                      (info.channels == 1 || info.channels == 2) && info.buffer[0] &&
                      (info.channels == 1 || info.buffer[1]);
  std::lock_guard lock(mutex_);
  block_.gain[0] = info.gain[0];
  block_.gain[1] = info.gain[1];
  if (!usable) {
    block_.frames = 0;
    return;
  }
  block_.frames = info.frames;
  block_.channels = info.channels;
  block_.bits = info.bits;
  for (int ch = 0; ch < info.channels; ++ch)
    CopySamples(info.buffer[ch], info.frames, info.bits, block_.samples[ch]);
  if (info.channels == 1) block_.samples[1].clear();
}

void OutputSnapshotSlot::Clear() {
  std::lock_guard lock(mutex_);
  block_.frames = 0;
  block_.channels = 0;
  block_.bits = 0;
  block_.samples[0].clear();
  block_.samples[1].clear();
}

void OutputSnapshotSlot::CopyTo(OutputSnapshot& out) const {
  std::lock_guard lock(mutex_);
  out.frames = block_.frames;
  out.channels = block_.channels;
  out.bits = block_.bits;
  out.gain[0] = block_.gain[0];
  out.gain[1] = block_.gain[1];
  for (int ch : {0, 1})
    out.samples[ch].assign(block_.samples[ch].begin(), block_.samples[ch].end());
}

}  // namespace audio
