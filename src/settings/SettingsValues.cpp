#include "settings/SettingsValues.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <limits>

namespace settings {
namespace {

// The value of c as a digit, or 99 when it is none.
int DigitValue(char c) {
  c = platform::FoldAscii(c);
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return 99;
}

// Far beyond any 32-bit value, so that saturating here never changes a clamp.
constexpr int64_t kSaturation = int64_t{1} << 40;

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  return platform::EqualsNoCase(a, b);
}

int64_t ParseNumberWide(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSettingsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i + 1 < text.size() && text[i] == '0' && platform::FoldAscii(text[i + 1]) == 'x' &&
      i + 2 < text.size() && DigitValue(text[i + 2]) < 16) {
    base = 16;
    i += 2;
  } else if (i < text.size() && text[i] == '0') {
    base = 8;
  }
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit >= base) break;
    magnitude = std::min(magnitude * base + digit, kSaturation);
  }
  return negative ? -magnitude : magnitude;
}

bool HoldsNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSettingsSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

int32_t ParseNumber(std::string_view text) {
  return static_cast<int32_t>(std::clamp<int64_t>(ParseNumberWide(text),
                                                  std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

uint32_t ParseUnsigned32(std::string_view text) {
  return static_cast<uint32_t>(std::clamp<int64_t>(ParseNumberWide(text),
                                                   std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<uint32_t>::max()));
}

uint16_t ParseFlag(std::string_view text) {
  if (NamesEqual(text, "ON")) return 1;
  if (NamesEqual(text, "OFF")) return 0;
  return static_cast<uint16_t>(ParseNumber(text));
}

size_t DecodeBlock(std::string_view text, std::span<uint8_t> dest) {
  const auto nibble = [](char c) {
    const int digit = DigitValue(c);
    return digit < 16 ? digit : 0;
  };
  size_t stored = 0;
  for (size_t i = 0; i + 1 < text.size() && stored < dest.size(); i += 2)
    dest[stored++] = static_cast<uint8_t>(nibble(text[i]) << 4 | nibble(text[i + 1]));
  return stored;
}

std::string FormatNumber(int32_t value) { return std::to_string(value); }

std::string FormatHex(uint32_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kHexDigits[value & 15]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

const char* FormatFlag(int value) { return value != 0 ? "ON" : "OFF"; }

std::string EncodeBlock(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const uint8_t byte : bytes) {
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 15];
  }
  return text;
}

}  // namespace settings
