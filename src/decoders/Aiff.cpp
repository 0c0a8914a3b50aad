// Placeholder until the format module lands: its probe rejects every file.
#include "decoders/Decoders.h"

namespace decoders {
namespace {
const char* Init() { return "[AIFF] SSND: 8-16bit PCM, ADP4: ADPCM 4"; }
void Exit() {}
int Probe(TW_File*, const uint8_t*, size_t, TrackInfo*) { return 0; }
}  // namespace

const DecoderClass kAiffDecoder = {"AIFF", Init, Exit, Probe};

}  // namespace decoders
