// UTF-8 helpers for the fixed-width text fields of the track, database and tag
// records: a cut never splits a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Longest prefix of text of at most max_bytes bytes that does not end inside a
// UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view text, size_t max_bytes);

// Copies text into dest[capacity] cut at a character boundary, NUL-terminated and
// NUL-padded. capacity includes the terminator.
void CopyField(char* dest, size_t capacity, std::string_view text);

template <size_t N>
void CopyField(char (&dest)[N], std::string_view text) {
  CopyField(dest, N, text);
}

// Latin-1 to UTF-8 and back; characters Latin-1 cannot hold become replacement.
std::string Latin1ToUtf8(std::string_view latin1);
std::string Utf8ToLatin1(std::string_view utf8, char replacement = '?');

}  // namespace platform
