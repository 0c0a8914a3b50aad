#include "player/Playlist.h"

#include <algorithm>
#include <cstring>

#include <sys/stat.h>

#include "cdda/DiscKey.h"
#include "decoders/Decoders.h"
#include "platform/Utf8.h"
#include "player/TimeFormat.h"

namespace player {

const std::array<const char*, kFieldCount> kEntryFieldKeys = {
    "GENRE", "ARTIST", "ALBUM", "TITLE", "TYPE", "COMMENT", "FILEPATH", "DURATION", "YEAR"};

namespace {

constexpr size_t kTitleLimit = 255;

std::string_view UpToControl(std::string_view text) {
  const auto end = std::find_if(text.begin(), text.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 32; });
  return text.substr(0, static_cast<size_t>(end - text.begin()));
}

std::string TrackField(const decoders::TrackInfo& t, const PlaylistEntry* entry, int id) {
  switch (id) {
    case kFieldGenre: return t.genre;
    case kFieldArtist: return t.artist;
    case kFieldAlbum: return t.album;
    case kFieldTitle: return t.title[0] ? std::string(t.title) : std::string(FilePart(t.path));
    case kFieldType: return t.type_text;
    case kFieldComment: return t.file_comment[0] ? t.file_comment : t.comment;
    case kFieldFilePath: return t.path;
    case kFieldDuration: return FormatMinSec(Entry_Duration(entry));
    case kFieldYear: return t.year > 0 ? std::to_string(t.year) : std::string();
    default: return {};
  }
}

int FieldOfPatternChar(char c) {
  switch (c) {
    case 'g': return kFieldGenre;
    case 'a': return kFieldArtist;
    case 'A': return kFieldAlbum;
    case 't': return kFieldTitle;
    case 'T': return kFieldType;
    case 'c': return kFieldComment;
    case 'f': return kFieldFilePath;
    case 'd': return kFieldDuration;
    case 'y': return kFieldYear;
    default: return -1;
  }
}

PlaylistEntry* Append(Playlist& p, std::unique_ptr<PlaylistEntry> entry) {
  p.entries.push_back(std::move(entry));
  return p.entries.back().get();
}

}  // namespace

decoders::TrackPtr IdentifyPlayable(const std::string& path) {
  struct stat info{};
  const bool regular = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  if (!regular && !cdda::CDDA_ParseTrackPath(path)) return nullptr;
  return decoders::Decoder_Identify(path);
}

std::string_view FilePart(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void Playlist_Clear(Playlist& p) {
  while (!p.entries.empty()) p.entries.pop_back();
  p.current = nullptr;
}

int Playlist_Count(const Playlist& p) { return static_cast<int>(p.entries.size()); }

PlaylistEntry* Playlist_GetAt(const Playlist& p, int index) {
  if (index < 0 || index >= Playlist_Count(p)) return nullptr;
  return p.entries[static_cast<size_t>(index)].get();
}

int Playlist_RemoveAt(Playlist& p, int index) {
  PlaylistEntry* entry = Playlist_GetAt(p, index);
  if (!entry) return -1;
  if (p.current == entry) p.current = nullptr;
  p.entries.erase(p.entries.begin() + index);
  return 0;
}

int Playlist_Remove(Playlist& p, const PlaylistEntry* entry) {
  if (!entry) return -1;
  for (int i = Playlist_Count(p) - 1; i >= 0; --i) {
    if (p.entries[static_cast<size_t>(i)].get() == entry) return Playlist_RemoveAt(p, i);
  }
  return -1;
}

PlaylistEntry* Playlist_AddTrack(Playlist& p, decoders::TrackPtr track) {
  if (!track) return nullptr;
  auto entry = std::make_unique<PlaylistEntry>();
  entry->track = std::move(track);
  return Append(p, std::move(entry));
}

PlaylistEntry* Playlist_AddPath(Playlist& p, const std::string& path) {
  if (!p.identify) return nullptr;
  return Playlist_AddTrack(p, p.identify(path));
}

PlaylistEntry* Playlist_AddStoredTexts(Playlist& p, StoredTexts texts) {
  if (!texts[kFieldFilePath] || texts[kFieldFilePath]->empty()) return nullptr;
  auto entry = std::make_unique<PlaylistEntry>();
  entry->stored = std::make_unique<StoredTexts>(std::move(texts));
  return Append(p, std::move(entry));
}

PlaylistEntry* Playlist_AddStored(Playlist& p, std::string_view line) {
  StoredTexts texts;
  for (int id = 0; id < kFieldCount; ++id) texts[static_cast<size_t>(id)] = Entry_ParseField(line, id);
  return Playlist_AddStoredTexts(p, std::move(texts));
}

PlaylistEntry* Playlist_AddLine(Playlist& p, const DatabaseLookupFn& database,
                                std::string_view line) {
  const std::string path(UpToControl(line));
  if (database) {
    if (auto texts = database(path)) return Playlist_AddStoredTexts(p, std::move(*texts));
  }
  if (line.find('\t') != std::string_view::npos) return Playlist_AddStored(p, line);
  return Playlist_AddPath(p, path);
}

decoders::TrackInfo* Entry_GetTrackInfo(Playlist& p, PlaylistEntry* entry) {
  if (!entry) return nullptr;
  if (!entry->track && entry->stored && p.identify) {
    const auto& path = (*entry->stored)[kFieldFilePath];
    if (path) entry->track = p.identify(*path);
  }
  return entry->track.get();
}

int64_t Entry_Duration(const PlaylistEntry* entry) {
  if (!entry) return 0;
  if (entry->track) {
    const decoders::TrackInfo& t = *entry->track;
    if (t.frequency <= 0 || t.length <= 0) return 0;
    return (static_cast<int64_t>(t.length) + t.frequency - 1) / t.frequency;
  }
  if (entry->stored && (*entry->stored)[kFieldDuration])
    return ParseMinSec(*(*entry->stored)[kFieldDuration]);
  return 0;
}

std::string Entry_GetField(const PlaylistEntry* entry, int id) {
  if (!entry || id < 0 || id >= kFieldCount) return {};
  if (entry->stored && (*entry->stored)[static_cast<size_t>(id)])
    return *(*entry->stored)[static_cast<size_t>(id)];
  if (entry->track) return TrackField(*entry->track, entry, id);
  if (id == kFieldTitle && entry->stored && (*entry->stored)[kFieldFilePath])
    return std::string(FilePart(*(*entry->stored)[kFieldFilePath]));
  return {};
}

void Entry_Refresh(Playlist& p, PlaylistEntry* entry) {
  if (!entry || !entry->track || !p.identify) return;
  const decoders::TrackPtr fresh = p.identify(entry->track->path);
  if (!fresh) return;
  decoders::TrackInfo& t = *entry->track;
  std::memcpy(t.title, fresh->title, sizeof t.title);
  std::memcpy(t.artist, fresh->artist, sizeof t.artist);
  std::memcpy(t.comment, fresh->comment, sizeof t.comment);
  std::memcpy(t.genre, fresh->genre, sizeof t.genre);
  std::memcpy(t.album, fresh->album, sizeof t.album);
  std::memcpy(t.file_comment, fresh->file_comment, sizeof t.file_comment);
  t.year = fresh->year;
}

std::string ExpandTitlePattern(const PlaylistEntry* entry, std::string_view pattern) {
  if (!entry) return {};
  if (pattern.empty())
    return std::string(platform::Utf8Prefix(Entry_GetField(entry, kFieldTitle), kTitleLimit));
  std::string body;
  for (size_t i = 0; i < pattern.size() && body.size() < kTitleLimit; ++i) {
    if (pattern[i] != '%') {
      body += pattern[i];
      continue;
    }
    if (++i >= pattern.size()) break;
    const int field = FieldOfPatternChar(pattern[i]);
    if (field >= 0) {
      body += Entry_GetField(entry, field);
    } else {
      body += pattern[i];  // "%z" is "z", "%%" is "%"
    }
  }
  return std::string(platform::Utf8Prefix(body, kTitleLimit));
}

std::optional<std::string> Entry_ParseField(std::string_view line, int id) {
  if (id == kFieldFilePath) return std::string(UpToControl(line));
  if (id < 0 || id >= kFieldCount) return std::nullopt;
  const std::string key = std::string(kEntryFieldKeys[static_cast<size_t>(id)]) + "=";
  // Keys stand only at the start of a TAB-separated field, never inside a value.
  size_t tab = line.find('\t');
  while (tab != std::string_view::npos) {
    const std::string_view field = line.substr(tab + 1);
    if (field.substr(0, key.size()) == key) {
      std::string value(UpToControl(field.substr(key.size())));
      if (id == kFieldDuration && value.find(':') == std::string::npos)
        value = FormatMinSec(ParseMinSec(value));
      return value;
    }
    tab = line.find('\t', tab + 1);
  }
  return std::nullopt;
}

}  // namespace player
