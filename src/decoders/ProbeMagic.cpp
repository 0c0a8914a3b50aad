#include "decoders/ProbeMagic.h"

#include <cstring>

namespace decoders {
namespace {

constexpr size_t kOggPageHeader = 27;  // up to the segment count
constexpr size_t kId3v2Header = 10;

bool StartsWith(const uint8_t* bytes, size_t size, const char* magic, size_t length) {
  return size >= length && std::memcmp(bytes, magic, length) == 0;
}

// Bytes of a leading ID3v2 tag, header and footer included; 0 when there is none
// or its size is not syncsafe.
int64_t Id3v2Length(const uint8_t* header, size_t size) {
  if (!StartsWith(header, size, "ID3", 3) || size < kId3v2Header) return 0;
  if (header[3] == 0xFF || header[4] == 0xFF) return 0;
  int64_t body = 0;
  for (int i = 6; i < 10; ++i) {
    if (header[i] & 0x80) return 0;
    body = (body << 7) | header[i];
  }
  const bool footer = header[5] & 0x10;
  return int64_t(kId3v2Header) + body + (footer ? int64_t(kId3v2Header) : 0);
}

}  // namespace

OggCodec OggFirstCodec(const uint8_t* header, size_t size) {
  if (!StartsWith(header, size, "OggS", 4)) return OggCodec::kNotOgg;
  if (size < kOggPageHeader) return OggCodec::kOther;
  const size_t packet = kOggPageHeader + header[26];
  if (packet > size) return OggCodec::kOther;
  const uint8_t* first = header + packet;
  const size_t left = size - packet;
  if (StartsWith(first, left, "\x01vorbis", 7)) return OggCodec::kVorbis;
  if (StartsWith(first, left, "OpusHead", 8)) return OggCodec::kOpus;
  if (StartsWith(first, left, "\177FLAC", 5)) return OggCodec::kFlac;
  return OggCodec::kOther;
}

bool IsNativeFlac(TW_File* file, const uint8_t* header, size_t size) {
  if (StartsWith(header, size, "fLaC", 4)) return true;
  const int64_t skip = Id3v2Length(header, size);
  if (skip <= 0) return false;
  if (skip + 4 <= int64_t(size)) return StartsWith(header + skip, size - size_t(skip), "fLaC", 4);
  if (!file || TW_File_Seek(file, skip, kSeekStart) < 0) return false;
  uint8_t magic[4] = {};
  const bool found = TW_File_Read(file, magic, 4) == 4 && std::memcmp(magic, "fLaC", 4) == 0;
  TW_File_Seek(file, 0, kSeekStart);
  return found;
}

}  // namespace decoders
