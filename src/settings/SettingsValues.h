// How setting values are spelled in the settings file. Every value is kept as
// text; these turn that text into numbers, flags and byte blocks and back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace settings {

// ASCII-only case-insensitive comparison of section and key names.
bool NamesEqual(std::string_view a, std::string_view b);

// True for the characters the file's grammar skips as white space.
constexpr bool IsSettingsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Leading white space, optional sign, then "0x"/"0X" hexadecimal, a leading "0"
// octal, otherwise decimal; stops at the first character that does not fit.
// Saturates instead of overflowing. Text without digits gives 0.
int64_t ParseNumberWide(std::string_view text);
// True when a digit follows the leading white space and an optional sign: text
// that a typo turned into no number at all ("abc", "", "-") gives false, while
// trailing blanks or a carriage return after the digits do not matter.
bool HoldsNumber(std::string_view text);
// ParseNumberWide clamped to the signed 32-bit range.
int32_t ParseNumber(std::string_view text);
// For hexadecimal settings: the whole unsigned 32-bit range survives, negative
// values keep their low 32 bits (so "-1" is 0xFFFFFFFF) and larger ones saturate.
uint32_t ParseUnsigned32(std::string_view text);
// "ON"/"OFF" in any letter case give 1/0; other text is a number cut to 16 bits.
uint16_t ParseFlag(std::string_view text);
// Decodes hexadecimal pairs into dest, at most dest.size() bytes; a lone last
// digit is dropped and non-hex characters count as 0. Returns the bytes stored;
// the rest of dest is left as it was.
size_t DecodeBlock(std::string_view text, std::span<uint8_t> dest);

std::string FormatNumber(int32_t value);                  // "%ld"
std::string FormatHex(uint32_t value);                    // "0x%X"
const char* FormatFlag(int value);                        // "ON" for non-zero, else "OFF"
std::string EncodeBlock(std::span<const uint8_t> bytes);  // two upper-case digits a byte

}  // namespace settings
