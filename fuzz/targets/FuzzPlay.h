// Plays an identified track a while, with a seek half way, as the player would.
#pragma once

#include <cstdint>
#include <vector>

#include "decoders/TrackInfo.h"

namespace fuzz {

inline void PlayTrack(decoders::TrackInfo& track) {
  constexpr int32_t kFramesPerCall = 2048;
  constexpr int kMaxCalls = 256;  // bounds a run on long but valid streams
  constexpr double kBlockSeconds = 0.1;  // what the player task asks for per call
  if (track.open == nullptr || track.decode == nullptr || track.open(&track) != 1) return;
  std::vector<int16_t> left(kFramesPerCall), right(kFramesPerCall);
  for (int call = 0; call < kMaxCalls; ++call) {
    if (call == kMaxCalls / 2 && track.seek != nullptr) {
      track.seek(track.frequency > 0 ? double(track.length) / track.frequency / 2 : 0.0);
    }
    const int32_t frames = track.decode(left.data(), right.data(), kFramesPerCall, kBlockSeconds);
    // A chained stream goes on in its next format, as the player task takes it.
    if (frames == decoders::kDecodeFormatChanged && track.format != nullptr) {
      track.format(&track);
      continue;
    }
    if (frames <= 0) break;
    if (track.position != nullptr) track.position();
  }
  if (track.close != nullptr) track.close();
}

}  // namespace fuzz
