// The cheap magic-number checks that decide which module may look at a file
// before any outside library parses it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoders/TW_File.h"

namespace decoders {

// The codec of an Ogg stream, from the first packet of its first page.
enum class OggCodec { kNotOgg, kVorbis, kOpus, kFlac, kOther };
OggCodec OggFirstCodec(const uint8_t* header, size_t size);

// True when the file holds native FLAC: "fLaC" at its start, or right after a
// leading ID3v2 tag (read through file when the tag outgrows the header; the
// file is left at its start). A tag size that is not syncsafe is refused.
bool IsNativeFlac(TW_File* file, const uint8_t* header, size_t size);

}  // namespace decoders
