#include "cdda/DiscKey.h"

#include <algorithm>
#include <cstdio>

namespace cdda {
namespace {

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string CDDA_FormatDiscKey(uint32_t track_count, uint32_t third_start, uint32_t leadout) {
  char key[kDiscKeyLength + 1];
  std::snprintf(key, sizeof key, "ID%02u%06X%06X", std::min<uint32_t>(track_count, 99),
                third_start & 0xFFFFFF, leadout & 0xFFFFFF);
  return key;
}

std::optional<CdTrackPath> CDDA_ParseTrackPath(const std::string& path) {
  if (path.size() < kDiscKeyLength || path.compare(0, 2, "ID") != 0) return std::nullopt;
  if (!std::all_of(path.begin() + 2, path.begin() + kDiscKeyLength, IsUpperHex))
    return std::nullopt;
  CdTrackPath parsed{path.substr(0, kDiscKeyLength), -1};
  if (path.size() == kDiscKeyLength) return parsed;
  const std::string number = path.substr(kDiscKeyLength + 1);
  if (path[kDiscKeyLength] != '-' || number.empty() || number.size() > 2 ||
      !std::all_of(number.begin(), number.end(), IsDigit))
    return std::nullopt;
  parsed.track = std::stoi(number);
  return parsed;
}

std::string CDDA_TrackPath(const std::string& key, int track) {
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "-%02d", std::clamp(track, 0, 99));
  return key + suffix;
}

}  // namespace cdda
