// Placeholder until the format module lands: its probe rejects every file.
#include "decoders/Decoders.h"

namespace decoders {
namespace {
const char* Init() { return "[OGG] 16bit, Ogg Vorbis Project"; }
void Exit() {}
int Probe(TW_File*, const uint8_t*, size_t, TrackInfo*) { return 0; }
}  // namespace

const DecoderClass kOggDecoder = {"OGG", Init, Exit, Probe};

}  // namespace decoders
