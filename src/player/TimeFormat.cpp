#include "player/TimeFormat.h"

#include <cinttypes>
#include <cstdio>
#include <limits>

namespace player {
namespace {

constexpr int64_t kMaxSeconds = std::numeric_limits<int64_t>::max() / 61;

// Leading decimal digits (after blanks and an optional sign); saturating.
int64_t LeadingNumber(std::string_view text, size_t* used) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value > kMaxSeconds / 10 ? kMaxSeconds : value * 10 + (text[i] - '0');
    ++i;
  }
  if (used) *used = i;
  return negative ? 0 : value;
}

}  // namespace

std::string FormatMinSec(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[48];
  std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64, seconds / 60, seconds % 60);
  return text;
}

std::string FormatTime(int64_t seconds, int time_type) {
  if (seconds < 0) seconds = 0;
  char text[64];
  if (time_type == 0) {
    std::snprintf(text, sizeof text, "%" PRId64, seconds);
  } else if (time_type == 1 || (time_type == 3 && seconds <= 3599)) {
    return FormatMinSec(seconds);
  } else {
    std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64, seconds / 3600,
                  (seconds % 3600) / 60, seconds % 60);
  }
  return text;
}

int64_t ParseMinSec(std::string_view text) {
  const int64_t first = LeadingNumber(text, nullptr);
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return first;
  const int64_t second = LeadingNumber(text.substr(colon + 1), nullptr);
  const int64_t minutes = first > kMaxSeconds / 60 ? kMaxSeconds : first * 60;
  return minutes > kMaxSeconds - second ? kMaxSeconds : minutes + second;
}

}  // namespace player
