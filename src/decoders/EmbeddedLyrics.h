// Lyrics a song carries in its own tags, read when the song starts rather than
// kept in the fixed-width track record.
#pragma once

#include <string>

namespace decoders {

// The LYRICS comment of an Ogg Vorbis, FLAC (native or Ogg) or Opus file, or
// the ID3v2 USLT frame (else the APEv2 "Lyrics" item) of an MPEG file that
// starts with an ID3v2 tag; empty when the file cannot be read or has no lyrics.
std::string ReadEmbeddedLyrics(const std::string& path);

}  // namespace decoders
