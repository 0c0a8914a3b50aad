#include "karaoke/LyricsSearch.h"

#include <sys/stat.h>

#include <cstdio>
#include <vector>

#include "decoders/EmbeddedLyrics.h"
#include "karaoke/Lrc.h"
#include "karaoke/LyricsFile.h"

namespace karaoke {
namespace {

std::string JoinPath(const std::string& folder, std::string_view name) {
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  if (folder.empty() || folder.back() == '/') return folder + std::string(name);
  return folder + "/" + std::string(name);
}

std::string FileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The song paths whose lyrics names are tried, in search order.
std::vector<std::string> PlacesFor(const std::string& song_path,
                                   const settings::KaraokeSettings& settings) {
  std::vector<std::string> under_path;
  if (!settings.path.empty()) {
    under_path.push_back(JoinPath(settings.path, song_path));
    under_path.push_back(JoinPath(settings.path, FileName(song_path)));
  }
  std::vector<std::string> places;
  if (!settings.path_has_priority) places.push_back(song_path);
  places.insert(places.end(), under_path.begin(), under_path.end());
  if (settings.path_has_priority) places.push_back(song_path);
  return places;
}

// A FIFO or a device under a lyrics name would block the main task.
std::unique_ptr<LyricsList> ReadIfFile(const std::string& path,
                                       std::unique_ptr<LyricsList> (*read)(const std::string&)) {
  return IsRegularFile(path) ? read(path) : nullptr;
}

bool HasEntries(const std::unique_ptr<LyricsList>& list) { return list && !list->entries.empty(); }

}  // namespace

std::unique_ptr<LyricsList> LyricsFromText(std::string text) {
  if (text.empty()) return nullptr;
  for (LyricsStreamReader read : {Lrc_ReadStream, Lyrics_ReadStream}) {
    std::FILE* stream = ::fmemopen(text.data(), text.size(), "rb");
    if (!stream) return nullptr;
    std::unique_ptr<LyricsList> list = read(stream);
    std::fclose(stream);
    if (HasEntries(list)) return list;
  }
  return nullptr;
}

std::unique_ptr<LyricsList> FindLyrics(const std::string& song_path,
                                       const settings::KaraokeSettings& settings) {
  if (song_path.empty()) return nullptr;
  const std::vector<std::string> places = PlacesFor(song_path, settings);
  for (const std::string& place : places) {
    if (auto list = ReadIfFile(Lyrics_NameFor(place), Lyrics_Read)) return list;
  }
  for (const std::string& place : places) {
    if (auto list = ReadIfFile(WithExtension(place, ".lrc"), Lrc_Read)) return list;
  }
  if (!IsRegularFile(song_path)) return nullptr;
  return LyricsFromText(decoders::ReadEmbeddedLyrics(song_path));
}

std::string FindPicture(const std::string& song_path) {
  const std::string lyrics_name = Lyrics_NameFor(song_path);
  if (lyrics_name.size() > 3) {
    const std::string own = lyrics_name.substr(0, lyrics_name.size() - 4) + ".pic";
    if (IsRegularFile(own)) return own;
  }
  const std::string shared = FolderOf(lyrics_name) + "main.pic";
  return IsRegularFile(shared) ? shared : std::string();
}

}  // namespace karaoke
