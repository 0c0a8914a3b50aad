#include "decoders/EmbeddedLyrics.h"

#include <cstdint>
#include <vector>

#include "decoders/ProbeMagic.h"
#include "decoders/TW_File.h"
#include "decoders/VorbisComments.h"

namespace decoders {
namespace {

// Enough for the first Ogg page's codec packet and a FLAC file's first bytes.
constexpr int32_t kHeaderBytes = 512;

std::vector<std::string> CommentsOf(const std::string& path) {
  TW_File* file = TW_File_Open(path, kFileRead | kFileNoRam, 0);
  if (!file) return {};
  uint8_t header[kHeaderBytes];
  const int32_t got = TW_File_Read(file, header, kHeaderBytes);
  const size_t size = got > 0 ? static_cast<size_t>(got) : 0;
  const bool native_flac = IsNativeFlac(file, header, size);
  TW_File_Close(file);
  if (native_flac) return Flac_ReadComments(path, false);
  switch (OggFirstCodec(header, size)) {
    case OggCodec::kVorbis:
      return OggVorbis_ReadComments(path);
    case OggCodec::kOpus:
      return Opus_ReadComments(path);
    case OggCodec::kFlac:
      return Flac_ReadComments(path, true);
    case OggCodec::kNotOgg:
    case OggCodec::kOther:
      break;
  }
  return {};
}

}  // namespace

std::string ReadEmbeddedLyrics(const std::string& path) {
  return FindVorbisComment(CommentsOf(path), "LYRICS");
}

}  // namespace decoders
