// Feeds arbitrary bytes to the ".kok" and LRC readers, then checks that what
// they kept writes out and reads back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "karaoke/Lrc.h"
#include "karaoke/LyricsFile.h"

namespace {

using Reader = std::unique_ptr<karaoke::LyricsList> (*)(std::FILE*);
using Writer = std::string (*)(const karaoke::LyricsList&);

// Reads text and writes the list back out; empty text reads as an empty list.
std::string Cycle(Reader read, Writer write, std::string text) {
  if (text.empty()) return {};
  std::FILE* stream = ::fmemopen(text.data(), text.size(), "rb");
  if (stream == nullptr) std::abort();
  const auto list = read(stream);
  std::fclose(stream);
  karaoke::Lyrics_Seek(list.get(), 1000);
  while (karaoke::Lyrics_Advance(list.get())) karaoke::Lyrics_CurrentText(list.get());
  return write(*list);
}

// After one cycle has settled the precision of the times, further cycles change nothing.
void CheckStable(Reader read, Writer write, const std::string& input) {
  const std::string once = Cycle(read, write, input);
  const std::string twice = Cycle(read, write, once);
  if (Cycle(read, write, twice) != twice) std::abort();
}

}  // namespace

int FuzzLyrics(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckStable(karaoke::Lyrics_ReadStream, karaoke::Lyrics_Format, input);
  CheckStable(karaoke::Lrc_ReadStream, karaoke::Lrc_Format, input);
  karaoke::Lyrics_NameFor(input);
  return 0;
}

TW_FUZZ_ENTRY(FuzzLyrics)
