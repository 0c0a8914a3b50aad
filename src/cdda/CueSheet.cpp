#include "cdda/CueSheet.h"

#include <sys/stat.h>

#include <cctype>
#include <sstream>
#include <string_view>

#include "platform/TextLines.h"
#include "platform/Utf8.h"

namespace cdda {
namespace {

constexpr uint64_t kMaxCueBytes = 1 << 20;
constexpr uint64_t kMaxLba = 0x7FFFFFFF;

struct PendingTrack {
  ImageTrack track;
  size_t file = 0;
  int64_t index01 = -1;  // sector in its file
  uint32_t pregap = 0;
};

struct PendingFile {
  ImageFile file;
  std::vector<size_t> tracks;  // indexes into the pending tracks
};

std::string Upper(std::string word) {
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return word;
}

// "mm:ss:ff" in sectors of 1/75 s.
std::optional<uint32_t> ParseMsf(const std::string& text) {
  unsigned m = 0, s = 0, f = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%3u:%2u:%2u%c", &m, &s, &f, &tail) != 3) return std::nullopt;
  if (s >= 60 || f >= 75) return std::nullopt;
  return (m * 60 + s) * 75 + f;
}

// The quoted or bare file name after FILE, and the rest of the line.
bool SplitFileLine(const std::string& rest, std::string& name, std::string& type) {
  size_t pos = rest.find_first_not_of(" \t");
  if (pos == std::string::npos) return false;
  size_t end;
  if (rest[pos] == '"') {
    end = rest.find('"', pos + 1);
    if (end == std::string::npos) return false;
    name = rest.substr(pos + 1, end - pos - 1);
    ++end;
  } else {
    end = rest.find_first_of(" \t", pos);
    if (end == std::string::npos) return false;
    name = rest.substr(pos, end - pos);
  }
  std::istringstream tail(rest.substr(end));
  tail >> type;
  type = Upper(type);
  return !name.empty();
}

// True when text is well-formed UTF-8 (no overlong forms or surrogates).
bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const size_t length = byte < 0x80                   ? 1
                          : byte >= 0xC2 && byte < 0xE0 ? 2
                          : byte >= 0xE0 && byte < 0xF0 ? 3
                          : byte >= 0xF0 && byte < 0xF5 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const uint32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < lowest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return false;
    i += length;
  }
  return true;
}

// The text after TITLE or PERFORMER: quoted (up to the closing quote) or bare
// (the rest of the line). Sheets written on older systems are Latin-1; control
// characters become spaces.
std::string CueText(const std::string& rest) {
  const size_t start = rest.find_first_not_of(" \t");
  if (start == std::string::npos) return {};
  std::string text;
  if (rest[start] == '"') {
    const size_t end = rest.find('"', start + 1);
    text = rest.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
  } else {
    text = rest.substr(start, rest.find_last_not_of(" \t") + 1 - start);
  }
  if (!IsUtf8(text)) text = platform::Latin1ToUtf8(text);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return text;
}

bool SetTrackMode(const std::string& mode, ImageTrack& track) {
  struct Mode {
    const char* name;
    bool audio;
    uint32_t size;
    uint32_t user_offset;
  };
  static constexpr Mode kModes[] = {{"AUDIO", true, 2352, 0},
                                    {"MODE1/2352", false, 2352, 16},
                                    {"MODE2/2352", false, 2352, 24},
                                    {"MODE1/2048", false, 2048, 0},
                                    {"MODE2/2336", false, 2336, 8}};
  for (const Mode& m : kModes) {
    if (mode != m.name) continue;
    track.audio = m.audio;
    track.sector_size = m.size;
    track.user_offset = m.user_offset;
    track.control = m.audio ? 0x00 : 0x04;
    return true;
  }
  return false;
}

std::string ResolveBeside(const std::string& cue_path, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  const size_t slash = cue_path.rfind('/');
  return slash == std::string::npos ? name : cue_path.substr(0, slash + 1) + name;
}

class CueParser {
 public:
  explicit CueParser(std::string path) : cue_path_(std::move(path)) {}

  bool ParseLine(const std::string& raw) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string keyword;
    if (!(words >> keyword)) return true;
    keyword = Upper(keyword);
    std::string rest;
    std::getline(words, rest);
    std::istringstream args(rest);
    if (keyword == "FILE") return AddFile(rest);
    if (keyword == "TRACK") return AddTrack(args);
    if (keyword == "INDEX") return AddIndex(args);
    if (keyword == "PREGAP") return AddPregap(args);
    if (keyword == "FLAGS") return AddFlags(args);
    if (keyword == "REM") return AddRemark(args);
    if (keyword == "TITLE") SetText(rest, sheet_title_, &ImageTrack::title);
    if (keyword == "PERFORMER") SetText(rest, sheet_performer_, &ImageTrack::performer);
    return true;  // songwriters, catalogue numbers and the like
  }

  std::optional<CueLayout> Finish();

 private:
  bool AddFile(const std::string& rest) {
    std::string name, type;
    if (!SplitFileLine(rest, name, type)) return false;
    if (type != "BINARY" && type != "MOTOROLA") return false;
    PendingFile file;
    file.file.path = ResolveBeside(cue_path_, name);
    file.file.big_endian = type == "MOTOROLA";
    struct stat info {};
    if (::stat(file.file.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    file.file.size = static_cast<uint64_t>(info.st_size);
    files_.push_back(std::move(file));
    return true;
  }

  bool AddTrack(std::istringstream& args) {
    int number = 0;
    std::string mode;
    if (files_.empty() || !(args >> number >> mode)) return false;
    const int previous = tracks_.empty() ? 0 : tracks_.back().track.number;
    if (number < 1 || number > 99 || number <= previous) return false;
    PendingTrack pending;
    pending.track.number = number;
    pending.track.session = session_;
    pending.file = files_.size() - 1;
    if (!SetTrackMode(Upper(mode), pending.track)) return false;
    files_.back().tracks.push_back(tracks_.size());
    tracks_.push_back(pending);
    return true;
  }

  bool AddIndex(std::istringstream& args) {
    int index = -1;
    std::string time;
    if (tracks_.empty() || !(args >> index >> time)) return false;
    const auto sector = ParseMsf(time);
    if (!sector) return false;
    if (index == 1) tracks_.back().index01 = *sector;
    return true;
  }

  bool AddPregap(std::istringstream& args) {
    std::string time;
    if (tracks_.empty() || !(args >> time)) return false;
    const auto sectors = ParseMsf(time);
    if (!sectors) return false;
    tracks_.back().pregap = *sectors;
    return true;
  }

  bool AddFlags(std::istringstream& args) {
    if (tracks_.empty()) return false;
    std::string flag;
    while (args >> flag) {
      flag = Upper(flag);
      if (flag == "PRE") tracks_.back().track.control |= 0x01;
      if (flag == "DCP") tracks_.back().track.control |= 0x02;
      if (flag == "4CH") tracks_.back().track.control |= 0x08;
    }
    return true;
  }

  bool AddRemark(std::istringstream& args) {
    std::string word;
    int session = 0;
    if ((args >> word) && Upper(word) == "SESSION" && (args >> session)) {
      if (session < session_ || session > 99) return false;
      session_ = session;
    }
    return true;
  }

  // Before the first TRACK a text is the sheet's, after it the track's.
  void SetText(const std::string& rest, std::string& sheet_field,
               std::string ImageTrack::*track_field) {
    if (tracks_.empty()) {
      sheet_field = CueText(rest);
    } else {
      tracks_.back().track.*track_field = CueText(rest);
    }
  }

  bool LayOutFile(const PendingFile& file, size_t file_index, CueLayout& layout);

  std::string cue_path_;
  std::vector<PendingFile> files_;
  std::vector<PendingTrack> tracks_;
  int session_ = 1;
  uint64_t cursor_ = 0;  // next free LBA
  std::string sheet_title_;
  std::string sheet_performer_;
};

bool CueParser::LayOutFile(const PendingFile& file, size_t file_index, CueLayout& layout) {
  uint64_t offset = 0;   // bytes into the file
  int64_t position = 0;  // sectors into the file
  const auto add = [&](ImageExtent::Source source, uint64_t count, size_t track) {
    if (count == 0) return;
    layout.extents.push_back({source, static_cast<uint32_t>(cursor_), static_cast<uint32_t>(count),
                              file_index, offset, track});
    cursor_ += count;
  };
  for (size_t k = 0; k < file.tracks.size(); ++k) {
    const size_t t = file.tracks[k];
    const PendingTrack& pending = tracks_[t];
    if (pending.index01 < position) return false;  // missing or going backwards
    const uint32_t size = pending.track.sector_size;
    // Sectors before this track's INDEX 01 still belong to the sector run before it.
    const size_t before = k == 0 ? t : file.tracks[k - 1];
    const uint32_t before_size = tracks_[before].track.sector_size;
    add(ImageExtent::Source::kFile, static_cast<uint64_t>(pending.index01 - position), before);
    offset += static_cast<uint64_t>(pending.index01 - position) * before_size;
    if (pending.track.session > layout.last_session) {
      add(ImageExtent::Source::kUnreadable, kSessionGapSectors, t);
      layout.last_session = pending.track.session;
    }
    add(ImageExtent::Source::kSilence, pending.pregap, t);
    ImageTrack track = pending.track;
    track.lba = static_cast<uint32_t>(cursor_);
    layout.tracks.push_back(track);
    position = pending.index01;
    const bool last = k + 1 == file.tracks.size();
    const int64_t next = last ? -1 : tracks_[file.tracks[k + 1]].index01;
    if (offset > file.file.size) return false;
    const uint64_t count =
        last ? (file.file.size - offset) / size
             : static_cast<uint64_t>(std::max<int64_t>(next, position) - position);
    if (count == 0 && last) return false;
    add(ImageExtent::Source::kFile, count, t);
    offset += count * size;
    position += static_cast<int64_t>(count);
    if (offset > file.file.size || cursor_ > kMaxLba) return false;
  }
  return true;
}

std::optional<CueLayout> CueParser::Finish() {
  if (tracks_.empty()) return std::nullopt;
  CueLayout layout;
  layout.title = sheet_title_;
  layout.performer = sheet_performer_;
  for (size_t f = 0; f < files_.size(); ++f) {
    layout.files.push_back(files_[f].file);
    if (!LayOutFile(files_[f], f, layout)) return std::nullopt;
  }
  layout.leadout = static_cast<uint32_t>(cursor_);
  return layout;
}

}  // namespace

std::optional<CueLayout> ReadCueSheet(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<uint64_t>(info.st_size) > kMaxCueBytes)
    return std::nullopt;
  platform::TextFile file(path);
  if (!file.is_open()) return std::nullopt;
  CueParser parser(path);
  std::string line;
  while (file.ReadLine(line)) {
    if (!parser.ParseLine(line)) return std::nullopt;
  }
  return parser.Finish();
}

}  // namespace cdda
