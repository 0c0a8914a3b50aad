// One target per format module: the bytes are offered to that module alone,
// so each parser gets the whole of a fuzzing run; an accepted file is played and
// its lyrics tag read, as a song starting does. The build picks the entry
// with TW_FUZZ_FORMAT (FuzzWave, FuzzIff8svx, FuzzAiff, FuzzAu, FuzzMpeg, FuzzOgg,
// FuzzFlac, FuzzOpus).
#include <cstdint>

#include "FuzzFileReads.h"
#include "FuzzInput.h"
#include "FuzzPlay.h"
#include "decoders/Decoders.h"
#include "decoders/EmbeddedLyrics.h"

namespace {

int PlayAs(const decoders::DecoderClass& module, const uint8_t* data, size_t size) {
  fuzz::ReadFilesWithoutThreads();
  static const int started = decoders::Decoders_Init();
  if (started == 0) return 0;
  const fuzz::InputFile input(data, size, ".snd");
  auto track = decoders::Decoder_IdentifyAs(input.path(), module);
  if (!track) return 0;
  fuzz::PlayTrack(*track);
  // The karaoke display reads a playing song's own lyrics tag as it starts.
  decoders::ReadEmbeddedLyrics(input.path());
  return 0;
}

}  // namespace

int FuzzWave(const uint8_t* data, size_t size) { return PlayAs(decoders::kWaveDecoder, data, size); }
int FuzzIff8svx(const uint8_t* data, size_t size) {
  return PlayAs(decoders::kIff8svxDecoder, data, size);
}
int FuzzAiff(const uint8_t* data, size_t size) { return PlayAs(decoders::kAiffDecoder, data, size); }
int FuzzAu(const uint8_t* data, size_t size) { return PlayAs(decoders::kAuDecoder, data, size); }
int FuzzMpeg(const uint8_t* data, size_t size) { return PlayAs(decoders::kMpegDecoder, data, size); }
int FuzzOgg(const uint8_t* data, size_t size) { return PlayAs(decoders::kOggDecoder, data, size); }
int FuzzFlac(const uint8_t* data, size_t size) { return PlayAs(decoders::kFlacDecoder, data, size); }
int FuzzOpus(const uint8_t* data, size_t size) { return PlayAs(decoders::kOpusDecoder, data, size); }

#ifdef TW_FUZZ_FORMAT
TW_FUZZ_ENTRY(TW_FUZZ_FORMAT)
#endif
