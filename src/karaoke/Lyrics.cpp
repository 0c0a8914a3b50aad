#include "karaoke/Lyrics.h"

#include <algorithm>
#include <cstdio>

#include "karaoke/TextScan.h"
#include "platform/Utf8.h"

namespace karaoke {
namespace {

constexpr size_t kNameKeep = 26;    // bytes of the file name kept before ".kok"
constexpr size_t kTimeRunMax = 79;  // the scanned run after the colon

using scan::IsDigit;
using scan::IsSpace;
using scan::ReadDigits;

}  // namespace

LyricEntry MakeLyricEntry(int32_t time, std::string_view text) {
  text = text.substr(0, text.find('\n'));
  return LyricEntry{time, std::string(platform::Utf8Prefix(text, kLyricTextMax))};
}

void Lyrics_Append(LyricsList& list, int32_t time, std::string_view text) {
  list.entries.push_back(MakeLyricEntry(time, text));
}

namespace {

size_t FileNameStart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::string WithExtension(std::string_view path, std::string_view extension) {
  const size_t name_start = FileNameStart(path);
  std::string_view name = path.substr(name_start);
  // A leading full stop marks a hidden file, not an extension.
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  std::string result(path.substr(0, name_start));
  result.append(name).append(extension);
  return result;
}

std::string Lyrics_NameFor(std::string_view song_path) {
  if (song_path.empty()) return {};
  const size_t name_start = FileNameStart(song_path);
  const std::string_view name = platform::Utf8Prefix(song_path.substr(name_start), kNameKeep);
  return WithExtension(song_path.substr(0, name_start + name.size()), ".kok");
}

int32_t Lyrics_ParseTime(std::string_view line) {
  size_t pos = 0;
  while (pos < line.size() && IsSpace(line[pos])) ++pos;
  bool negative = false;
  if (pos < line.size() && (line[pos] == '+' || line[pos] == '-')) negative = line[pos++] == '-';
  int64_t minutes = 0;
  if (ReadDigits(line, pos, minutes) == 0 || pos >= line.size() || line[pos] != ':') return -1;
  if (negative && minutes > 0) return -1;
  ++pos;
  while (pos < line.size() && IsSpace(line[pos])) ++pos;
  size_t run_end = pos;
  while (run_end < line.size() && run_end - pos < kTimeRunMax && !IsSpace(line[run_end])) {
    ++run_end;
  }
  const std::string_view run = line.substr(pos, run_end - pos);
  if (run.empty()) return -1;
  size_t run_pos = 0;
  int64_t seconds = 0;
  ReadDigits(run, run_pos, seconds);
  int64_t tenths = 0;
  const size_t stop = run.find('.');
  if (stop != std::string_view::npos && stop + 1 < run.size() && IsDigit(run[stop + 1])) {
    tenths = run[stop + 1] - '0';
  }
  const int64_t ms = minutes * 60000 + seconds * 1000 + tenths * 100;
  return ms > std::numeric_limits<int32_t>::max() ? -1 : static_cast<int32_t>(ms);
}

std::string_view Lyrics_TextAfterTime(std::string_view line) {
  const size_t space = line.find(' ');
  return space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
}

std::string Lyrics_FormatTime(int64_t ms) {
  ms = std::max<int64_t>(ms, 0);
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld.%1lld", static_cast<long long>(ms / 60000),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000 / 100));
  return text;
}

void Lyrics_Free(std::unique_ptr<LyricsList>& list) { list.reset(); }

void Lyrics_Seek(LyricsList* list, int64_t t) {
  if (list == nullptr) return;
  const std::vector<LyricEntry>& entries = list->entries;
  if (entries.empty()) {
    list->cursor = LyricsList::kNoCursor;
    list->cursor_time = t;
    return;
  }
  size_t cursor = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].time < t) cursor = i;
  }
  list->cursor = cursor;
  list->cursor_time = cursor + 1 < entries.size() ? entries[cursor + 1].time : kNever;
}

const LyricEntry* Lyrics_Current(const LyricsList* list) {
  if (list == nullptr || list->cursor >= list->entries.size()) return nullptr;
  return &list->entries[list->cursor];
}

int64_t Lyrics_CursorTime(const LyricsList* list) { return list ? list->cursor_time : 0; }

std::string_view Lyrics_CurrentText(const LyricsList* list) {
  const LyricEntry* entry = Lyrics_Current(list);
  return entry ? std::string_view(entry->text) : std::string_view();
}

bool Lyrics_Advance(LyricsList* list) {
  if (list == nullptr || list->cursor >= list->entries.size()) {
    if (list) list->cursor = LyricsList::kNoCursor;
    return false;
  }
  ++list->cursor;
  // Past the last entry no further line starts.
  list->cursor_time =
      list->cursor < list->entries.size() ? list->entries[list->cursor].time : kNever;
  return true;
}

}  // namespace karaoke
