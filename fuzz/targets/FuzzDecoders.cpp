// Identifies arbitrary bytes through the format registry (WAVE, 8SVX, AIFF,
// AU, MPEG, Ogg, FLAC, Opus) and plays the accepted track a while, with a seek.
#include <cstdint>

#include "FuzzFileReads.h"
#include "FuzzInput.h"
#include "FuzzPlay.h"
#include "decoders/Decoders.h"

int FuzzDecoders(const uint8_t* data, size_t size) {
  fuzz::ReadFilesWithoutThreads();
  static const int started = decoders::Decoders_Init();
  if (started == 0) return 0;
  const fuzz::InputFile input(data, size, ".snd");
  if (auto track = decoders::Decoder_Identify(input.path())) fuzz::PlayTrack(*track);
  return 0;
}

TW_FUZZ_ENTRY(FuzzDecoders)
