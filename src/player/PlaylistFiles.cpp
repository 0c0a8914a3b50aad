#include "player/PlaylistFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "cdda/DiscKey.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/TextLines.h"
#include "player/TimeFormat.h"
#include "platform/AsciiCase.h"

namespace player {
namespace {

constexpr size_t kLineLimit = 256;
constexpr int kWrittenFields[] = {kFieldDuration, kFieldType,   kFieldTitle, kFieldGenre,
                                  kFieldArtist,   kFieldAlbum, kFieldYear,  kFieldComment};

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

using platform::EndsWithNoCase;

bool IsForeignPlaylist(const std::string& path) { return IsForeignPlaylistName(path); }

bool IsCdTrackPath(const std::string& path) {
  return cdda::CDDA_ParseTrackPath(path).has_value();
}

bool IsRegularFile(const std::string& path, struct stat* info) {
  return ::stat(path.c_str(), info) == 0 && S_ISREG(info->st_mode);
}

std::string WithoutControls(std::string value) {
  for (char& c : value) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  return value;
}

// A playlist line is valid while it holds no control character but TAB and CR.
bool IsValidPlaylistLine(const std::string& line) {
  return std::none_of(line.begin(), line.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 32 && byte != '\t' && byte != '\r';
  });
}

std::string DecodeFileUrl(std::string path) {
  if (path.rfind("file://", 0) != 0) return path;
  path = path.substr(7);
  std::string out;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%' && i + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
      out += static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += path[i];
    }
  }
  return out;
}

std::string StripCarriageReturn(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::vector<std::string> ReadM3u(platform::TextFile& file) {
  std::vector<std::string> paths;
  std::string line;
  while (file.ReadLine(line)) {
    line = StripCarriageReturn(line);
    if (line.empty() || line[0] == '#') continue;
    paths.push_back(DecodeFileUrl(line));
  }
  return paths;
}

std::vector<std::string> ReadPls(platform::TextFile& file) {
  std::map<long, std::string> numbered;
  std::string line;
  while (file.ReadLine(line)) {
    line = StripCarriageReturn(line);
    const size_t equals = line.find('=');
    if (equals == std::string::npos || equals < 5) continue;
    const std::string key = platform::ToLowerAscii(line.substr(0, equals));
    if (key.rfind("file", 0) != 0) continue;
    char* end = nullptr;
    const long number = std::strtol(key.c_str() + 4, &end, 10);
    if (*end != '\0') continue;
    numbered[number] = DecodeFileUrl(line.substr(equals + 1));
  }
  std::vector<std::string> paths;
  for (auto& [number, path] : numbered) paths.push_back(std::move(path));
  return paths;
}

using FileId = std::pair<unsigned long, unsigned long>;  // device, inode

bool IsFolderLink(const std::string& path, const struct stat& link_info) {
  struct stat info{};
  return S_ISLNK(link_info.st_mode) && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void ListFolderInto(const std::string& folder, int levels_left, std::set<FileId>& seen,
                    std::vector<std::string>& files) {
  struct stat info{};
  if (levels_left <= 0 || ::stat(folder.c_str(), &info) != 0) return;
  if (!seen.insert({info.st_dev, info.st_ino}).second) return;
  std::vector<std::string> children;
  std::error_code ec;
  for (const auto& child : std::filesystem::directory_iterator(folder, ec)) {
    children.push_back(child.path().string());
  }
  std::sort(children.begin(), children.end());
  for (const std::string& child : children) {
    if (files.size() >= PlaylistLoader::kMaxEntries) return;
    struct stat link_info{};
    if (::lstat(child.c_str(), &link_info) != 0) continue;
    if (S_ISDIR(link_info.st_mode)) {
      ListFolderInto(child, levels_left - 1, seen, files);
    } else if (!IsFolderLink(child, link_info)) {
      files.push_back(child);
    }
  }
}

}  // namespace

bool IsForeignPlaylistName(const std::string& path) {
  return EndsWithNoCase(path, ".m3u") || EndsWithNoCase(path, ".m3u8") ||
         EndsWithNoCase(path, ".pls");
}

std::string ResolveListedName(const std::string& list_path, const std::string& name) {
  const auto beside = ResolvePlaylistLine(list_path, name);
  struct stat info{};
  if (beside && *beside != name && ::stat(beside->c_str(), &info) == 0) return *beside;
  return name;
}

std::vector<std::string> ListFolderFiles(const std::string& folder, int max_depth) {
  std::set<FileId> seen;
  std::vector<std::string> files;
  ListFolderInto(folder, max_depth, seen, files);
  return files;
}

std::string Entry_FormatLine(const PlaylistEntry* entry, bool* cut) {
  if (cut) *cut = false;
  // The path is never cut: a reader takes lines of any length.
  std::string line = WithoutControls(Entry_GetField(entry, kFieldFilePath));
  for (const int id : kWrittenFields) {
    const std::string value = WithoutControls(Entry_GetField(entry, id));
    if (value.empty()) continue;
    const std::string field = std::string("\t") + kEntryFieldKeys[static_cast<size_t>(id)] + "=" + value;
    if (line.size() + field.size() > kLineLimit) {
      if (cut) *cut = true;
      break;
    }
    line += field;
  }
  return line;
}

int Playlist_Save(const std::vector<const PlaylistEntry*>& rows, const std::string& path,
                  const std::function<bool(const std::string& path)>& ask_overwrite) {
  std::error_code ec;
  if (ask_overwrite && std::filesystem::exists(path, ec) && !ask_overwrite(path)) return 0;
  platform::AtomicFile file(path);
  if (!file.Open()) return 0;
  for (const PlaylistEntry* entry : rows) {
    if (!file.Write(Entry_FormatLine(entry) + "\n")) return 0;
  }
  return file.Commit() ? 1 : 0;
}

std::optional<std::string> ResolvePlaylistLine(const std::string& playlist_path,
                                               const std::string& line_path) {
  if (line_path.empty()) return std::nullopt;
  if (platform::IsAbsolutePath(line_path) || IsCdTrackPath(line_path)) return line_path;
  const std::filesystem::path folder = std::filesystem::path(playlist_path).parent_path();
  if (folder.empty()) return std::nullopt;  // never resolved against the working folder
  return (folder / line_path).lexically_normal().string();
}

std::vector<std::string> ReadForeignPlaylist(const std::string& path) {
  platform::TextFile file(path);
  if (!file.is_open()) return {};
  return EndsWithNoCase(path, ".pls") ? ReadPls(file) : ReadM3u(file);
}

PlaylistLoader::PlaylistLoader(Playlist& playlist, InsertFn insert, DatabaseLookupFn database,
                               const std::string& playlist_pattern)
    : playlist_(playlist),
      insert_(std::move(insert)),
      database_(std::move(database)),
      pattern_(playlist_pattern) {}

int PlaylistLoader::AddPathRecursive(const std::string& path, bool no_playlist, int position) {
  if (path.empty() || IsBlank(path)) return position;
  return AddPath(std::filesystem::absolute(path).lexically_normal().string(), no_playlist, position,
                 0);
}

int PlaylistLoader::AddFileOrPlaylist(const std::string& path, bool no_playlist, int position) {
  return AddLine(path, no_playlist, position, 0);
}

int PlaylistLoader::AddPath(const std::string& path, bool no_playlist, int position, int depth) {
  struct stat link_info{};
  if (::lstat(path.c_str(), &link_info) != 0) return position;
  if (S_ISDIR(link_info.st_mode)) return AddFolder(path, no_playlist, position, depth);
  struct stat info{};
  // Symlinks to folders are not followed: they are how folder trees loop.
  if (S_ISLNK(link_info.st_mode) && (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)))
    return position;
  return AddLine(path, no_playlist, position, depth);
}

int PlaylistLoader::AddFolder(const std::string& path, bool no_playlist, int position, int depth) {
  struct stat info{};
  if (::stat(path.c_str(), &info) != 0) return position;
  const FileId id{info.st_dev, info.st_ino};
  if (!open_.insert(id).second) return position;  // a playlist names a folder being read
  for (const std::string& file : ListFolderFiles(path, kMaxDepth - depth)) {
    if (!Budget()) break;
    position = AddLine(file, no_playlist, position, depth + 1);
  }
  open_.erase(id);
  return position;
}

int PlaylistLoader::AddLine(const std::string& line, bool no_playlist, int position, int depth) {
  if (!Budget()) return position;
  const std::string path = *Entry_ParseField(line, kFieldFilePath);
  struct stat info{};
  const bool regular = IsRegularFile(path, &info);
  const bool has_fields = line.find('\t') != std::string::npos;
  // Only regular files and CD tracks are opened: a FIFO or a device would block.
  if (regular || has_fields || IsCdTrackPath(path)) {
    if (PlaylistEntry* entry = Playlist_AddLine(playlist_, database_, line)) {
      ++added_;
      return insert_(entry, position) + 1;
    }
  }
  if (!no_playlist && regular && LooksLikePlaylist(path))
    return ReadPlaylist(path, no_playlist, position, depth);
  return position;
}

bool PlaylistLoader::LooksLikePlaylist(const std::string& path) const {
  return pattern_.Matches(path) || IsForeignPlaylist(path);
}

int PlaylistLoader::ReadPlaylist(const std::string& path, bool no_playlist, int position,
                                 int depth) {
  struct stat info{};
  if (depth >= kMaxDepth || !IsRegularFile(path, &info)) return position;
  const FileId id{info.st_dev, info.st_ino};
  if (!open_.insert(id).second) return position;  // already being read: a loop
  last_playlist_path_ = path;

  std::vector<std::string> lines;
  if (IsForeignPlaylist(path)) {
    lines = ReadForeignPlaylist(path);
  } else {
    platform::TextFile file(path);
    std::string line;
    while (file.ReadLine(line) && IsValidPlaylistLine(line)) lines.push_back(line);
  }
  for (const std::string& line : lines) {
    if (!Budget()) break;
    const size_t tab = line.find('\t');
    const auto resolved = ResolvePlaylistLine(path, *Entry_ParseField(line, kFieldFilePath));
    if (!resolved) continue;
    const std::string full = tab == std::string::npos ? *resolved : *resolved + line.substr(tab);
    position = AddLine(full, no_playlist, position, depth + 1);
  }
  open_.erase(id);
  return position;
}

}  // namespace player
