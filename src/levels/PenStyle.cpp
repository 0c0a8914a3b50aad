#include "levels/PenStyle.h"

#include <cstdio>
#include <string>

namespace levels {
namespace {

std::string PenText(const settings::Pen& pen) {
  std::string text;
  for (uint8_t byte : pen) {
    if (byte == 0) break;
    text.push_back(char(byte));
  }
  return text;
}

bool ParseComponent(const std::string& text, size_t from, uint8_t& out) {
  if (from + 8 > text.size()) return false;
  uint32_t value = 0;
  for (size_t i = from; i < from + 8; ++i) {
    const char c = text[i];
    uint32_t digit = 0;
    if (c >= '0' && c <= '9')
      digit = uint32_t(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = uint32_t(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = uint32_t(c - 'A' + 10);
    else
      return false;
    value = value << 4 | digit;
  }
  out = uint8_t(value >> 24);
  return true;
}

}  // namespace

std::optional<Rgb> PenColour(const settings::Pen& pen) {
  const std::string text = PenText(pen);
  if (text.size() != 27 || text[0] != 'r' || text[9] != ',' || text[18] != ',') return std::nullopt;
  Rgb colour;
  if (!ParseComponent(text, 1, colour.r) || !ParseComponent(text, 10, colour.g) ||
      !ParseComponent(text, 19, colour.b))
    return std::nullopt;
  return colour;
}

settings::Pen PenFromColour(Rgb colour) {
  char text[32] = {};
  const auto wide = [](uint8_t c) { return uint32_t(c) * 0x01010101u; };
  std::snprintf(text, sizeof text, "r%08X,%08X,%08X", wide(colour.r), wide(colour.g),
                wide(colour.b));
  settings::Pen pen{};
  for (size_t i = 0; i < pen.size() && text[i]; ++i) pen[i] = uint8_t(text[i]);
  return pen;
}

}  // namespace levels
