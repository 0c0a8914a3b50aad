// Helpers shared by the lyrics tests.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "karaoke/Lyrics.h"

namespace lyricstest {

// Every entry as "time|text", one a line, for comparing whole lists at once.
inline std::string Describe(const karaoke::LyricsList& list) {
  std::string out;
  for (const karaoke::LyricEntry& e : list.entries) {
    out += std::to_string(e.time) + "|" + e.text + "\n";
  }
  return out;
}

// Runs a stream reader over text held in memory.
inline std::unique_ptr<karaoke::LyricsList> ReadFromText(
    std::unique_ptr<karaoke::LyricsList> (*read)(std::FILE*), std::string text) {
  std::FILE* stream = ::fmemopen(text.data(), text.size(), "rb");
  auto list = read(stream);
  std::fclose(stream);
  return list;
}

}  // namespace lyricstest
