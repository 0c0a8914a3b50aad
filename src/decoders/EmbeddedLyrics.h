// Lyrics a song carries in its own tags, read when the song starts rather than
// kept in the fixed-width track record.
#pragma once

#include <string>

namespace decoders {

// The LYRICS comment of an Ogg Vorbis, FLAC (native or Ogg) or Opus file; empty
// when the file is none of these, cannot be read or has no such comment.
std::string ReadEmbeddedLyrics(const std::string& path);

}  // namespace decoders
