// CueSheet: the layout of a CUE/BIN disc image as a drive would present it.
//
// Reads "FILE name BINARY|MOTOROLA", "TRACK nn AUDIO|MODE1/2352|MODE2/2352|
// MODE1/2048|MODE2/2336", "INDEX 01", "PREGAP", "FLAGS" and "REM SESSION nn",
// and the texts "TITLE" and "PERFORMER" of the sheet and of each track.
// Tracks start at their INDEX 01; a PREGAP is silence not stored in the file;
// a later session starts 11400 sectors after the previous one ends, as on a
// pressed multi-session disc. Every offset is checked against the file sizes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cdda {

constexpr uint32_t kRawSectorSize = 2352;
constexpr uint32_t kSessionGapSectors = 11400;

struct ImageTrack {
  int number = 0;  // 1..99
  bool audio = true;
  uint8_t control = 0;  // TOC control nibble: 0x04 data, 0x08 four channels, ...
  int session = 1;
  uint32_t lba = 0;                       // start (INDEX 01)
  uint32_t sector_size = kRawSectorSize;  // bytes per sector in the file
  uint32_t user_offset = 0;               // where 2048 bytes of user data begin in a data sector
  std::string title;                      // TITLE after the TRACK line (UTF-8)
  std::string performer;                  // PERFORMER after the TRACK line (UTF-8)
};

// A run of consecutive sectors with one source.
struct ImageExtent {
  enum class Source { kFile, kSilence, kUnreadable };
  Source source = Source::kFile;
  uint32_t lba = 0;
  uint32_t count = 0;
  size_t file = 0;      // index into CueLayout::files
  uint64_t offset = 0;  // byte offset of the first sector in that file
  size_t track = 0;     // index into CueLayout::tracks
};

struct ImageFile {
  std::string path;
  bool big_endian = false;  // MOTOROLA: audio samples stored most significant byte first
  uint64_t size = 0;
};

struct CueLayout {
  std::vector<ImageFile> files;
  std::vector<ImageTrack> tracks;    // in track order
  std::vector<ImageExtent> extents;  // in LBA order, contiguous from LBA 0
  uint32_t leadout = 0;
  int last_session = 1;
  std::string title;      // the sheet's TITLE: the album (UTF-8)
  std::string performer;  // the sheet's PERFORMER: the artist (UTF-8)
};

// Parses the CUE sheet at path and sizes its files. Nullopt when the sheet is
// malformed, names an unsupported file or track type, or points past a file.
std::optional<CueLayout> ReadCueSheet(const std::string& path);

}  // namespace cdda
