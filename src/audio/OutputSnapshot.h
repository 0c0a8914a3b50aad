// A copy of the block most recently handed to the output, for the level meters.
// The output manager's sounds are refilled by the mixer and freed at stop, so a
// reader never looks at them: each fill copies the whole block (every frame, for
// the peak) into the engine's slot under its lock, and readers copy it out.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/AudioMan.h"

namespace audio {

struct OutputSnapshot {
  int32_t frames = 0;               // 0: nothing is playing
  int16_t channels = 0;             // 1 or 2 while frames > 0
  int16_t bits = 0;                 // 8 or 16; 8-bit samples keep their -128..127 values
  int32_t gain[2] = {0, 0};         // channel volumes at the fill, 64 = unity
  std::vector<int16_t> samples[2];  // frames samples per channel; [1] empty for mono
};

class OutputSnapshotSlot {
 public:
  // Any thread (the mixer's): replaces the slot's block with a copy of info's.
  void Store(const LastBlockInfo& info);
  // Empties the block; the gains stay, so meters decay at the volume they had.
  void Clear();
  // Copies the slot into out, reusing out's buffers.
  void CopyTo(OutputSnapshot& out) const;

 private:
  mutable std::mutex mutex_;
  OutputSnapshot block_;  // protected by mutex_
};

}  // namespace audio
