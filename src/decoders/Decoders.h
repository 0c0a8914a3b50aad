// The format registry: nine modules in a fixed order, identification of a file.
#pragma once

#include <string>

#include "decoders/TrackInfo.h"

namespace decoders {

// Starts every module in table order; 0 at the first module that fails, else 1.
int Decoders_Init();
// Shuts the modules down (CDDA, MPEG, WAVE, AU, AIFF, IFF 8SVX, OGG, FLAC, OPUS) and
// frees the RAM cache.
void Decoders_Exit();
// The description of module index 0..8; null above 8 (or before Decoders_Init).
const char* Decoders_GetDescription(int index);
// Identifies a file (or CD pseudo-path); null when no module accepts it.
TrackPtr Decoder_Identify(const std::string& path);
// After an identification on this thread that gave null: the format a module
// recognised but cannot play ("A-law AU"), or "" when no module knew the file.
const std::string& Decoder_LastUnsupported();

// Identifies a file as one module alone would, skipping the others' probes.
TrackPtr Decoder_IdentifyAs(const std::string& path, const DecoderClass& module);

// Size of the header buffer handed to every probe.
constexpr size_t kHeaderSize = 16384;

// The format modules, each defined in its own file.
extern const DecoderClass kIff8svxDecoder;
extern const DecoderClass kAiffDecoder;
extern const DecoderClass kAuDecoder;
extern const DecoderClass kWaveDecoder;
extern const DecoderClass kMpegDecoder;
extern const DecoderClass kOggDecoder;
extern const DecoderClass kFlacDecoder;
extern const DecoderClass kOpusDecoder;
extern const DecoderClass kCddaDecoder;  // src/cdda

// The tag editor given to every MPEG track as edit_tags (null: none). Set it before
// any file is identified: tracks keep the editor they were identified with.
void MPEG_SetTagEditor(EditTagsFn editor);

}  // namespace decoders
