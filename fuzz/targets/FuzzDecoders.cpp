// Identifies arbitrary bytes through the format registry (WAVE, 8SVX, AIFF,
// AU, MPEG, Ogg) and plays the accepted track a while, with a seek.
#include <cstdint>
#include <vector>

#include "FuzzInput.h"
#include "decoders/Decoders.h"

namespace {

constexpr int32_t kFramesPerCall = 2048;
constexpr int kMaxCalls = 256;  // bounds a run on long but valid streams

void Play(decoders::TrackInfo& track) {
  if (track.open == nullptr || track.decode == nullptr || track.open(&track) != 1) return;
  std::vector<int16_t> left(kFramesPerCall), right(kFramesPerCall);
  for (int call = 0; call < kMaxCalls; ++call) {
    if (call == kMaxCalls / 2 && track.seek != nullptr) {
      track.seek(track.frequency > 0 ? double(track.length) / track.frequency / 2 : 0.0);
    }
    if (track.decode(left.data(), right.data(), kFramesPerCall, 0.0) <= 0) break;
    if (track.position != nullptr) track.position();
  }
  if (track.close != nullptr) track.close();
}

}  // namespace

int FuzzDecoders(const uint8_t* data, size_t size) {
  static const int started = decoders::Decoders_Init();
  if (started == 0) return 0;
  const fuzz::InputFile input(data, size, ".snd");
  if (auto track = decoders::Decoder_Identify(input.path())) Play(*track);
  return 0;
}

TW_FUZZ_ENTRY(FuzzDecoders)
