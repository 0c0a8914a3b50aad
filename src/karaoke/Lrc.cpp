#include "karaoke/Lrc.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "karaoke/LyricsFile.h"
#include "karaoke/TextScan.h"
#include "platform/AtomicFile.h"

namespace karaoke {
namespace {

constexpr int64_t kMaxTime = std::numeric_limits<int32_t>::max();
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Scale of a fraction by its number of digits: tenths, hundredths, milliseconds.
constexpr int64_t kFractionScale[] = {0, 100, 10, 1};

// The value of "[offset:+250]" (ms), or nothing for any other line.
std::optional<int64_t> OffsetOf(std::string_view line) {
  line = scan::WithoutTrailingSpace(line);
  constexpr std::string_view kOpen = "[offset:";
  if (line.size() <= kOpen.size() || line.back() != ']' ||
      !scan::IsWord(line.substr(0, kOpen.size()), kOpen)) {
    return std::nullopt;
  }
  std::string_view value = line.substr(kOpen.size(), line.size() - kOpen.size() - 1);
  while (!value.empty() && scan::IsSpace(value.front())) value.remove_prefix(1);
  bool negative = false;
  if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  size_t pos = 0;
  int64_t ms = 0;
  if (scan::ReadDigits(value, pos, ms) == 0) return std::nullopt;
  return negative ? -ms : ms;
}

struct LrcReader {
  LyricsList& list;
  int64_t offset = 0;

  void ReadLine(std::string_view line) {
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<int32_t> times;
    size_t pos = 0;
    while (pos < line.size() && line[pos] == '[') {
      const size_t close = line.find(']', pos);
      if (close == std::string_view::npos) break;
      const int32_t time = Lrc_ParseTimeTag(line.substr(pos + 1, close - pos - 1));
      if (time < 0) break;
      times.push_back(time);
      pos = close + 1;
    }
    if (times.empty()) return ReadHeader(line);
    for (const int32_t time : times) Lyrics_Append(list, time, line.substr(pos));
  }

  void ReadHeader(std::string_view line) {
    if (const std::optional<int64_t> value = OffsetOf(line)) {
      offset = *value;
    } else if (Lyrics_IsHeaderTag(line)) {
      list.tags.emplace_back(scan::WithoutTrailingSpace(line));
    }
  }

  // A positive offset makes the lines come sooner.
  void Finish() {
    for (LyricEntry& entry : list.entries) {
      entry.time = static_cast<int32_t>(std::clamp<int64_t>(entry.time - offset, 0, kMaxTime));
    }
    std::stable_sort(list.entries.begin(), list.entries.end(),
                     [](const LyricEntry& a, const LyricEntry& b) { return a.time < b.time; });
  }
};

std::string LrcStamp(int32_t time) {
  const long long ms = std::max<int32_t>(time, 0);
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "[%02lld:%02lld.%02lld]", ms / 60000, ms / 1000 % 60,
                ms % 1000 / 10);
  return stamp;
}

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

// Writes text beside source as target; the shared end of both converters.
bool WriteConverted(const std::string& source, const std::string& target, const LyricsList* list,
                    const std::string& text, std::string* error) {
  if (list == nullptr) return Fail(error, "cannot open " + source);
  if (list->entries.empty()) return Fail(error, source + ": no timed lyric lines");
  if (target == source) return Fail(error, source + ": would replace itself");
  if (!platform::WriteFileAtomically(target, text)) return Fail(error, "cannot write " + target);
  return true;
}

}  // namespace

int32_t Lrc_ParseTimeTag(std::string_view inside) {
  size_t pos = 0;
  int64_t minutes = 0;
  int64_t seconds = 0;
  if (scan::ReadDigits(inside, pos, minutes) == 0 || pos >= inside.size() || inside[pos] != ':') {
    return -1;
  }
  ++pos;
  if (scan::ReadDigits(inside, pos, seconds) == 0) return -1;
  int64_t fraction_ms = 0;
  if (pos < inside.size() && (inside[pos] == '.' || inside[pos] == ':')) {
    ++pos;
    const size_t start = pos;
    while (pos < inside.size() && scan::IsDigit(inside[pos])) ++pos;
    const size_t used = std::min<size_t>(pos - start, 3);
    if (used == 0) return -1;
    size_t fraction_pos = start;
    int64_t fraction = 0;
    scan::ReadDigits(inside.substr(0, start + used), fraction_pos, fraction);
    fraction_ms = fraction * kFractionScale[used];
  }
  if (pos != inside.size()) return -1;
  const int64_t ms = minutes * 60000 + seconds * 1000 + fraction_ms;
  return ms > kMaxTime ? -1 : static_cast<int32_t>(ms);
}

std::unique_ptr<LyricsList> Lrc_ReadStream(std::FILE* file) {
  auto list = std::make_unique<LyricsList>();
  LrcReader reader{*list};
  bool first = true;
  Lyrics_ForEachLine(file, [&](std::string_view line) {
    if (first && line.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
      line.remove_prefix(kByteOrderMark.size());
    }
    first = false;
    reader.ReadLine(line);
  });
  reader.Finish();
  return list;
}

std::unique_ptr<LyricsList> Lrc_Read(const std::string& path) {
  return Lyrics_ReadFileWith(path, Lrc_ReadStream);
}

std::string Lrc_Format(const LyricsList& list) { return Lyrics_FormatWith(list, LrcStamp); }

bool ConvertLrcToKok(const std::string& lrc_path, std::string* error, std::string* written) {
  const std::unique_ptr<LyricsList> list = Lrc_Read(lrc_path);
  const std::string text = list ? Lyrics_Format(*list) : std::string();
  const std::string target = Lyrics_NameFor(lrc_path);
  if (written) *written = target;
  return WriteConverted(lrc_path, target, list.get(), text, error);
}

bool ConvertKokToLrc(const std::string& kok_path, std::string* error, std::string* written) {
  const std::unique_ptr<LyricsList> list = Lyrics_Read(kok_path);
  const std::string text = list ? Lrc_Format(*list) : std::string();
  const std::string target = WithExtension(kok_path, ".lrc");
  if (written) *written = target;
  return WriteConverted(kok_path, target, list.get(), text, error);
}

}  // namespace karaoke
