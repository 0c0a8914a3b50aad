#include "audiodb/AudioDbFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <string_view>
#include <unordered_map>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/TextLines.h"
#include "settings/SettingsGroups.h"

namespace audiodb {
namespace {

constexpr const char* kSectionNames[] = {"GENRE", "ARTIST", "ALBUM", "TITLE"};
constexpr int kTitleSection = 3;
constexpr int kNoSection = -1;
constexpr int kUnknownSection = -2;

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// Reads a number at pos as strtol does (white space, sign, base 0 or 10), but
// saturates instead of overflowing. Without digits, pos stays and the result is 0.
int64_t ReadNumber(std::string_view line, size_t& pos, bool any_base) {
  size_t at = pos;
  while (at < line.size() && IsSpace(line[at])) ++at;
  bool negative = false;
  if (at < line.size() && (line[at] == '+' || line[at] == '-')) negative = line[at++] == '-';
  int base = 10;
  if (any_base && at < line.size() && line[at] == '0') {
    base = 8;
    if (at + 2 < line.size() && (line[at + 1] == 'x' || line[at + 1] == 'X') &&
        DigitValue(line[at + 2]) < 16) {
      base = 16;
      at += 2;
    }
  }
  const size_t digits_start = at;
  int64_t value = 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  while (at < line.size() && DigitValue(line[at]) < base) {
    const int digit = DigitValue(line[at++]);
    value = value > (kMax - digit) / base ? kMax : value * base + digit;
  }
  if (at == digits_start) return 0;
  pos = at;
  return negative ? -value : value;
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// A text field: quoted up to the next quote (or the line's end), else up to white space.
std::string ReadText(std::string_view line, size_t& pos) {
  while (pos < line.size() && IsSpace(line[pos])) ++pos;
  if (pos < line.size() && line[pos] == '"') {
    const size_t start = ++pos;
    const size_t end = std::min(line.find('"', start), line.size());
    pos = std::min(end + 1, line.size());
    return std::string(line.substr(start, end - start));
  }
  const size_t start = pos;
  while (pos < line.size() && !IsSpace(line[pos])) ++pos;
  return std::string(line.substr(start, pos - start));
}

bool IsBlank(std::string_view line) { return std::all_of(line.begin(), line.end(), IsSpace); }

int SectionOf(std::string_view header) {
  for (int i = 0; i < 4; ++i) {
    if (AudioDb_SameName(header, kSectionNames[i])) return i;
  }
  return kUnknownSection;
}

int ReadNameLine(AudioDatabase& db, int list, std::string_view line, int64_t max_position) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return kAudioDbOk;
  size_t pos = 0;
  const int64_t position = ReadNumber(line, pos, false);
  return AudioDb_SetNameAt(db, list, position, line.substr(equals + 1), max_position);
}

int ReadTitleLine(AudioDatabase& db, std::string_view line) {
  TitleRecord record;
  size_t pos = 0;
  NameRef* refs[kNameListCount] = {&record.genre, &record.artist, &record.album};
  for (int list = 0; list < kNameListCount; ++list) {
    *refs[list] = AudioDb_NameAt(db, list, ReadNumber(line, pos, true));
  }
  record.title = ReadText(line, pos);
  record.path = ReadText(line, pos);
  record.length = ClampToInt32(std::max<int64_t>(ReadNumber(line, pos, true), 0));
  record.comment = ReadText(line, pos);
  record.year = ClampToInt32(ReadNumber(line, pos, true));
  return AudioDb_AddTitleAsRead(db, record);
}

int ReadLines(AudioDatabase& db, std::FILE* file, int64_t max_position) {
  int section = kNoSection;
  std::string line;
  while (platform::ReadLine(file, line)) {
    if (IsBlank(line) || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      if (close != std::string::npos)
        section = SectionOf(std::string_view(line).substr(1, close - 1));
      continue;
    }
    int result = kAudioDbOk;
    if (section == kTitleSection) {
      result = ReadTitleLine(db, line);
    } else if (section >= 0) {
      result = ReadNameLine(db, section, line, max_position);
    }
    if (result != kAudioDbOk) return result;
  }
  return kAudioDbOk;
}

// Positions in a file cannot legitimately exceed its size, since every slot
// before them takes a line of its own.
int64_t MaxPositionFor(std::FILE* file) {
  struct stat info {};
  if (::fstat(::fileno(file), &info) != 0) return 0;
  return std::min<int64_t>(info.st_size, kMaxNameSlots);
}

void AppendNameSections(const AudioDatabase& db, std::string& out) {
  for (int list = 0; list < kNameListCount; ++list) {
    out.append("[").append(kSectionNames[list]).append("]\n");
    const auto& slots = db.names[list];
    for (size_t i = 0; i < slots.size(); ++i) {
      // An empty slot becomes a comment, which keeps the positions after it.
      out.append(slots[i] ? "" : ";").append(std::to_string(i + 1)).append("=");
      if (slots[i]) out.append(*slots[i]);
      out.append("\n");
    }
  }
}

using PositionIndex = std::unordered_map<NameRef, int64_t>;

PositionIndex IndexOf(const AudioDatabase& db, int list) {
  PositionIndex index;
  const auto& slots = db.names[list];
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i]) index.emplace(slots[i].get(), static_cast<int64_t>(i + 1));
  }
  return index;
}

void AppendTitleSection(const AudioDatabase& db, std::string& out) {
  out.append("[TITLE]\n");
  const PositionIndex index[kNameListCount] = {IndexOf(db, 0), IndexOf(db, 1), IndexOf(db, 2)};
  for (const auto& title : db.titles) {
    const NameRef refs[kNameListCount] = {title->genre, title->artist, title->album};
    for (int list = 0; list < kNameListCount; ++list) {
      const auto found = index[list].find(refs[list]);
      out.append(std::to_string(found == index[list].end() ? 0 : found->second)).append(" ");
    }
    out.append("\"").append(title->title).append("\" \"").append(title->path).append("\" ");
    out.append(std::to_string(title->length)).append(" \"").append(title->comment);
    out.append("\" ").append(std::to_string(title->year)).append("\n");
  }
}

// Resolves "PROGDIR:" and makes sure the user data folder exists for a save there.
std::string ResolvedPath(const std::string& path, bool for_writing) {
  std::string resolved = platform::ResolveProgDir(path);
  if (for_writing && resolved != path) platform::EnsureUserDataFolder();
  return resolved;
}

using FileHandle = std::unique_ptr<std::FILE, decltype(&std::fclose)>;

FileHandle OpenForReading(const std::string& path) {
  return FileHandle(std::fopen(path.c_str(), "rb"), &std::fclose);
}

bool KeepBackupOf(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  const FileHandle file = OpenForReading(path);
  if (!file) return false;
  std::string contents;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) contents.append(chunk, n);
  return !std::ferror(file.get()) && platform::WriteFileAtomically(path + ".bak", contents);
}

}  // namespace

std::string AudioDb_SettingsPath() {
  return platform::ResolveProgDir(settings::AudioBase().Fetch().filepath);
}

int AudioDb_ReadStream(AudioDatabase& db, std::FILE* file, int64_t max_position) {
  try {
    return ReadLines(db, file, max_position);
  } catch (const std::bad_alloc&) {
    return kAudioDbNoMemory;
  }
}

int AudioDb_Read(AudioDatabase& db, const std::string& path) {
  const std::string resolved = ResolvedPath(path, false);
  const FileHandle file = OpenForReading(resolved);
  if (!file) return kAudioDbFileError;
  const int result = AudioDb_ReadStream(db, file.get(), MaxPositionFor(file.get()));
  if (result != kAudioDbOk) db.stopped_read_path = resolved;
  return result;
}

std::string AudioDb_Format(const AudioDatabase& db) {
  std::string out;
  AppendNameSections(db, out);
  AppendTitleSection(db, out);
  return out;
}

int AudioDb_Write(AudioDatabase& db, const std::string& path) {
  const std::string resolved = ResolvedPath(path, true);
  std::string text;
  try {
    text = AudioDb_Format(db);
  } catch (const std::bad_alloc&) {
    return kAudioDbNoMemory;
  }
  const bool keep_backup = db.stopped_read_path == resolved;
  if (keep_backup && !KeepBackupOf(resolved)) return kAudioDbFileError;
  if (!platform::WriteFileAtomically(resolved, text)) return kAudioDbFileError;
  if (keep_backup) db.stopped_read_path.clear();
  return kAudioDbOk;
}

}  // namespace audiodb
