// IFF chunk reading shared by the 8SVX and AIFF modules, and the small helpers
// both need for frame counts and positions. All numbers in IFF files are
// big-endian. Every size read from a file is checked against the file's real
// size, so a reader never seeks or reads past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decoders/TW_File.h"
#include "platform/ByteOrder.h"
#include "decoders/TrackInfo.h"

namespace decoders::iff {

using platform::BigEndian16;
using platform::BigEndian32;

struct ChunkHeader {
  uint32_t id = 0;
  uint32_t size = 0;   // as stored
  int64_t start = 0;   // file offset of the chunk's first content byte
  int64_t stored = 0;  // bytes of the chunk that the file really holds (size cut at the end)

  // True when the chunk's held bytes lie within 32-bit offsets (TrackInfo's data_start).
  bool FitsOffsets() const { return start + stored <= int64_t(UINT32_MAX); }
};

// Walks the chunks of one FORM. Keeps its own offset, so it never asks the file
// layer where it is.
class IffReader {
 public:
  explicit IffReader(TW_File* file);

  // Seeks to the start and reads the FORM header; the form type, or 0 when the
  // file is not a FORM or is too short.
  uint32_t ReadFormHeader();
  // False at the end of the file or on a short read.
  bool ReadChunkHeader(ChunkHeader* chunk);
  // Reads a fixed-size record from the start of the chunk and leaves the reader
  // at the chunk's end (the rest and the pad byte skipped). False when the chunk
  // is shorter than the record or the file ends first.
  bool ReadRecord(const ChunkHeader& chunk, void* record, size_t record_size);
  // Reads a fixed-size record from the start of the chunk and stays right after
  // it. False when the chunk is shorter than the record or the file ends first.
  bool ReadHead(const ChunkHeader& chunk, void* record, size_t record_size);
  // Reads a text chunk into a descriptive field: min(size with its lowest bit
  // cleared, 39) bytes, the rest of the chunk skipped.
  bool ReadText(const ChunkHeader& chunk, char (&field)[40]);
  // Reads NAME, AUTH and ANNO into title, artist and comment; skips any other chunk.
  bool ReadTextOrSkip(const ChunkHeader& chunk, TrackInfo* track);
  // Moves to the end of the chunk (pad byte included). False when that lies past
  // the end of the file (a missing last pad byte is tolerated).
  bool SkipChunk(const ChunkHeader& chunk);

  int64_t offset() const { return offset_; }
  int64_t file_size() const { return file_size_; }

 private:
  bool ReadAt(int64_t offset, void* dest, size_t count);

  TW_File* file_;
  int64_t file_size_;
  int64_t offset_ = 0;
};

// Frames / frequency, 0.0 when the frequency is 0.
double SecondsFor(int64_t frames, int32_t frequency);
// Seeks to an absolute offset; false when the file layer refuses.
bool SeekTo(TW_File* file, int64_t offset);
// Reads exactly what the file gives, up to count bytes: the count read, 0 at the end.
size_t ReadSome(TW_File* file, uint8_t* dest, size_t count);

// Samples that begin a block of the seek tables kept by both modules.
constexpr int64_t kSeekBlock = 1024;

// A seek table of decoder states, one per block of kSeekBlock samples, bounded
// to length / kSeekBlock + 16 entries whatever the caller asks for.
template <typename State>
class SeekTable {
 public:
  explicit SeekTable(int64_t length) : entries_(static_cast<size_t>(length / kSeekBlock + 16)) {}
  // Stores the state reached just before sample block × kSeekBlock.
  void Record(int64_t block, const State& state) {
    if (block < 0 || block >= static_cast<int64_t>(entries_.size())) return;
    entries_[static_cast<size_t>(block)] = state;
    if (block > highest_) highest_ = block;
  }
  // True when the block's state was recorded (block 0 never is: it restarts).
  bool Has(int64_t block) const { return block > 0 && block <= highest_; }
  const State& At(int64_t block) const { return entries_[static_cast<size_t>(block)]; }
  int64_t highest() const { return highest_; }

 private:
  std::vector<State> entries_;
  int64_t highest_ = 0;
};

}  // namespace decoders::iff
