#include "platform/Utf8.h"

#include <cstring>

namespace platform {

std::string_view Utf8Prefix(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t end = max_bytes;
  // Step back over continuation bytes to the start of the cut character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

void CopyField(char* dest, size_t capacity, std::string_view text) {
  if (capacity == 0) return;
  std::memset(dest, 0, capacity);
  const std::string_view cut = Utf8Prefix(text.substr(0, text.find('\0')), capacity - 1);
  if (!cut.empty()) std::memcpy(dest, cut.data(), cut.size());
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (const char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return out;
}

std::string Utf8ToLatin1(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t length = 1;
    if (lead >= 0xF0) length = 4;
    else if (lead >= 0xE0) length = 3;
    else if (lead >= 0xC0) length = 2;
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
    } else if (length == 2 && i + 1 < utf8.size() && lead <= 0xC3 &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      out.push_back(static_cast<char>(((lead & 0x03) << 6) | (utf8[i + 1] & 0x3F)));
    } else {
      out.push_back(replacement);
    }
    // Skip the continuation bytes of the character just handled.
    size_t step = 1;
    while (step < length && i + step < utf8.size() &&
           (static_cast<unsigned char>(utf8[i + step]) & 0xC0) == 0x80)
      ++step;
    i += step;
  }
  return out;
}

}  // namespace platform
