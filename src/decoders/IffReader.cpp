#include "decoders/IffReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/Utf8.h"

namespace decoders::iff {

IffReader::IffReader(TW_File* file)
    : file_(file), file_size_(std::max<int64_t>(0, TW_File_Size(file))) {}

bool IffReader::ReadAt(int64_t offset, void* dest, size_t count) {
  if (offset < 0 || offset + static_cast<int64_t>(count) > file_size_) return false;
  if (offset != offset_ && !SeekTo(file_, offset)) return false;
  const size_t got = ReadSome(file_, static_cast<uint8_t*>(dest), count);
  offset_ = offset + static_cast<int64_t>(got);
  return got == count;
}

uint32_t IffReader::ReadFormHeader() {
  uint8_t header[12];
  offset_ = -1;  // forces the seek to the start
  if (!ReadAt(0, header, sizeof header)) return 0;
  if (BigEndian32(header) != FourCC("FORM")) return 0;
  return BigEndian32(header + 8);
}

bool IffReader::ReadChunkHeader(ChunkHeader* chunk) {
  uint8_t header[8];
  if (!ReadAt(offset_, header, sizeof header)) return false;
  chunk->id = BigEndian32(header);
  chunk->size = BigEndian32(header + 4);
  chunk->start = offset_;
  chunk->stored = std::min<int64_t>(chunk->size, file_size_ - offset_);
  return true;
}

bool IffReader::ReadHead(const ChunkHeader& chunk, void* record, size_t record_size) {
  return chunk.size >= record_size && ReadAt(chunk.start, record, record_size);
}

bool IffReader::ReadRecord(const ChunkHeader& chunk, void* record, size_t record_size) {
  return ReadHead(chunk, record, record_size) && SkipChunk(chunk);
}

bool IffReader::ReadText(const ChunkHeader& chunk, char (&field)[40]) {
  // An odd-length text loses its last character: only whole byte pairs are kept.
  const size_t keep = std::min<size_t>(chunk.size & ~1u, sizeof field - 1);
  char text[sizeof field] = {};
  if (!ReadAt(chunk.start, text, keep)) return false;
  platform::CopyField(field, std::string_view(text, strnlen(text, keep)));
  return SkipChunk(chunk);
}

bool IffReader::ReadTextOrSkip(const ChunkHeader& chunk, TrackInfo* track) {
  if (chunk.id == FourCC("NAME")) return ReadText(chunk, track->title);
  if (chunk.id == FourCC("AUTH")) return ReadText(chunk, track->artist);
  if (chunk.id == FourCC("ANNO")) return ReadText(chunk, track->comment);
  return SkipChunk(chunk);
}

bool IffReader::SkipChunk(const ChunkHeader& chunk) {
  const int64_t end = chunk.start + int64_t(chunk.size);
  if (end > file_size_) return false;
  // The pad byte of a last odd chunk is often missing; the end of the file then
  // ends the chunk list.
  offset_ = std::min(end + int64_t(chunk.size & 1), file_size_);
  return SeekTo(file_, offset_) || offset_ == file_size_;
}

double SecondsFor(int64_t frames, int32_t frequency) {
  return frequency > 0 ? static_cast<double>(frames) / frequency : 0.0;
}

bool SeekTo(TW_File* file, int64_t offset) { return TW_File_Seek(file, offset, kSeekStart) >= 0; }

size_t ReadSome(TW_File* file, uint8_t* dest, size_t count) {
  size_t done = 0;
  while (done < count) {
    const size_t ask = std::min<size_t>(count - done, 1u << 30);
    const int32_t got = TW_File_Read(file, dest + done, static_cast<int32_t>(ask));
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

}  // namespace decoders::iff
