// Placeholder until the format module lands: its probe rejects every file.
#include "decoders/Decoders.h"

namespace decoders {
namespace {
const char* Init() { return "[IFF 8SVX] 8bit PCM, Fibonacci delta"; }
void Exit() {}
int Probe(TW_File*, const uint8_t*, size_t, TrackInfo*) { return 0; }
}  // namespace

const DecoderClass kIff8svxDecoder = {"IFF 8SVX", Init, Exit, Probe};

}  // namespace decoders
