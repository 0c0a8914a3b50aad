// Disc keys and CD track pseudo-paths.
//
// A disc key is "ID" + two decimal digits (track count) + six hexadecimal digits
// (start of the third track) + six (lead-out), always 16 characters. A track is
// named "<key>-NN".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace cdda {

constexpr size_t kDiscKeyLength = 16;

// "ID%02d%06X%06X" from bounded values: the count is cut to 99 and both LBAs to 24 bits.
std::string CDDA_FormatDiscKey(uint32_t track_count, uint32_t third_start, uint32_t leadout);

struct CdTrackPath {
  std::string key;
  int track = -1;  // -1 when the path names no track
};

// Accepts only "ID" + 14 upper-case hexadecimal digits, optionally followed by
// "-" and a track number of one or two digits.
std::optional<CdTrackPath> CDDA_ParseTrackPath(const std::string& path);

// "<key>-NN".
std::string CDDA_TrackPath(const std::string& key, int track);

}  // namespace cdda
