#include "karaoke/LyricsFile.h"

#include <new>

#include "karaoke/TextScan.h"
#include "platform/AtomicFile.h"
#include "platform/TextLines.h"

namespace karaoke {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string KokStamp(int32_t time) { return Lyrics_FormatTime(time) + " "; }

}  // namespace

bool Lyrics_IsHeaderTag(std::string_view line) {
  line = scan::WithoutTrailingSpace(line);
  if (line.size() < 4 || line.front() != '[' || line.back() != ']') return false;
  size_t end = 1;
  while (end < line.size() && IsLetter(line[end])) ++end;
  return end > 1 && end < line.size() && line[end] == ':' &&
         !scan::IsWord(line.substr(1, end - 1), "offset");
}

void Lyrics_ForEachLine(std::FILE* file, const std::function<void(std::string_view)>& take_line) {
  std::string line;
  try {
    while (platform::ReadLine(file, line)) take_line(line);
  } catch (const std::bad_alloc&) {
    // Keep what was read so far, as a short read of a huge file would.
  }
}

std::unique_ptr<LyricsList> Lyrics_ReadFileWith(const std::string& path, LyricsStreamReader read) {
  std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"),
                                                          &std::fclose);
  return file ? read(file.get()) : nullptr;
}

std::string Lyrics_FormatWith(const LyricsList& list, std::string (*stamp)(int32_t time)) {
  std::string out;
  for (const std::string& tag : list.tags) out.append(tag).append("\n");
  for (const LyricEntry& entry : list.entries) {
    // Entries may have been filled directly: never let a text break the line.
    const LyricEntry safe = MakeLyricEntry(entry.time, entry.text);
    out.append(stamp(safe.time)).append(safe.text).append("\n");
  }
  return out;
}

std::unique_ptr<LyricsList> Lyrics_ReadStream(std::FILE* file) {
  auto list = std::make_unique<LyricsList>();
  Lyrics_ForEachLine(file, [&](std::string_view line) {
    const int32_t time = Lyrics_ParseTime(line);
    if (time >= 0) {
      Lyrics_Append(*list, time, Lyrics_TextAfterTime(line));
    } else if (Lyrics_IsHeaderTag(line)) {
      list->tags.emplace_back(scan::WithoutTrailingSpace(line));
    }
  });
  return list;
}

std::unique_ptr<LyricsList> Lyrics_Read(const std::string& path) {
  return Lyrics_ReadFileWith(path, Lyrics_ReadStream);
}

std::string Lyrics_Format(const LyricsList& list) { return Lyrics_FormatWith(list, KokStamp); }

int Lyrics_Write(const LyricsList* list, const std::string& path) {
  if (list == nullptr) return 0;
  return platform::WriteFileAtomically(path, Lyrics_Format(*list)) ? 1 : 0;
}

bool Lyrics_ImportText(LyricsList& list, const std::string& path) {
  platform::TextFile file(path);
  if (!file.is_open()) return false;
  list.entries.clear();
  list.tags.clear();
  list.cursor = LyricsList::kNoCursor;
  std::string line;
  while (file.ReadLine(line)) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    Lyrics_Append(list, 0, std::string_view(line).substr(start));
  }
  return true;
}

}  // namespace karaoke
