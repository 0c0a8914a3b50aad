// Small scanning helpers shared by the lyrics and LRC readers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace karaoke::scan {

// Digit values are capped here, which keeps every time computation within 64 bits.
inline constexpr int64_t kDigitCap = 1000000000000;

inline bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads decimal digits at pos into value, saturating at kDigitCap; returns their count.
inline size_t ReadDigits(std::string_view text, size_t& pos, int64_t& value) {
  const size_t start = pos;
  value = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    value = std::min(value * 10 + (text[pos++] - '0'), kDigitCap);
  }
  return pos - start;
}

inline std::string_view WithoutTrailingSpace(std::string_view text) {
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Case-blind equality with a lower-case ASCII word.
inline bool IsWord(std::string_view text, std::string_view lower_word) {
  return text.size() == lower_word.size() &&
         std::equal(text.begin(), text.end(), lower_word.begin(),
                    [](char c, char w) { return (c >= 'A' && c <= 'Z' ? c + 32 : c) == w; });
}

}  // namespace karaoke::scan
