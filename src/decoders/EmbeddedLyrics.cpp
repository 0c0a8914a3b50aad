#include "decoders/EmbeddedLyrics.h"

#include <cstdint>
#include <vector>

#include "decoders/MpegTags.h"
#include "decoders/ProbeMagic.h"
#include "decoders/TW_File.h"
#include "decoders/VorbisComments.h"

namespace decoders {
namespace {

// Enough for the first Ogg page's codec packet and a FLAC file's first bytes.
constexpr int32_t kHeaderBytes = 512;

std::string LyricsComment(const std::vector<std::string>& comments) {
  return FindVorbisComment(comments, "LYRICS");
}

bool StartsWithId3v2(const uint8_t* header, size_t size) {
  return size >= 3 && header[0] == 'I' && header[1] == 'D' && header[2] == '3';
}

}  // namespace

std::string ReadEmbeddedLyrics(const std::string& path) {
  TW_File* file = TW_File_Open(path, kFileRead | kFileNoRam, 0);
  if (!file) return {};
  uint8_t header[kHeaderBytes];
  const int32_t got = TW_File_Read(file, header, kHeaderBytes);
  const size_t size = got > 0 ? static_cast<size_t>(got) : 0;
  const bool native_flac = IsNativeFlac(file, header, size);
  TW_File_Close(file);
  if (native_flac) return LyricsComment(Flac_ReadComments(path, false));
  switch (OggFirstCodec(header, size)) {
    case OggCodec::kVorbis:
      return LyricsComment(OggVorbis_ReadComments(path));
    case OggCodec::kOpus:
      return LyricsComment(Opus_ReadComments(path));
    case OggCodec::kFlac:
      return LyricsComment(Flac_ReadComments(path, true));
    case OggCodec::kNotOgg:
    case OggCodec::kOther:
      break;
  }
  // Only a file that starts with its ID3v2 tag is handed to TagLib: on anything
  // else it would hunt through the whole file for MPEG frames.
  return StartsWithId3v2(header, size) ? ReadMpegLyrics(path) : std::string();
}

}  // namespace decoders
