// Playlist files: the ".plst" format (a path, then TAB KEY=value fields), the
// M3U/M3U8 and PLS lists other players write, adding names given by the user
// (files, folders, nested playlists), and saving the displayed list.
//
// Loading is bounded: a playlist or folder already being read (same device and
// inode) is skipped, folder symlinks are not followed, depth and entry counts are
// limited, and only regular files are opened.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/WildcardPattern.h"
#include "player/Playlist.h"

namespace player {

// The ".plst" line of an entry: the path whole, then DURATION, TYPE, TITLE, GENRE,
// ARTIST, ALBUM, YEAR, COMMENT while the line stays within 256 characters.
// Control characters inside values are written as spaces. *cut is set when
// fields were left out.
std::string Entry_FormatLine(const PlaylistEntry* entry, bool* cut = nullptr);

// Writes the entries as a ".plst" file atomically. ask_overwrite (may be empty) is
// asked when the file exists; false keeps the old file. Returns 1 written, 0 not.
int Playlist_Save(const std::vector<const PlaylistEntry*>& rows, const std::string& path,
                  const std::function<bool(const std::string& path)>& ask_overwrite);

// Turns names into entries inserted into the view.
class PlaylistLoader {
 public:
  // Inserts entry at position (a row, or -1 for the bottom); returns the row used.
  using InsertFn = std::function<int(PlaylistEntry* entry, int position)>;

  PlaylistLoader(Playlist& playlist, InsertFn insert, DatabaseLookupFn database,
                 const std::string& playlist_pattern);

  // A name from the user: empty and blank names add nothing; folders are walked
  // in sorted order. Returns the next insert position.
  int AddPathRecursive(const std::string& path, bool no_playlist, int position);
  // A song, a playlist line with fields, or a playlist file. Returns the next position.
  int AddFileOrPlaylist(const std::string& path, bool no_playlist, int position);

  const std::string& last_playlist_path() const { return last_playlist_path_; }

  static constexpr int kMaxDepth = 32;
  static constexpr size_t kMaxEntries = 100000;

 private:
  using FileId = std::pair<unsigned long, unsigned long>;  // device, inode

  int AddFolder(const std::string& path, bool no_playlist, int position, int depth);
  int AddPath(const std::string& path, bool no_playlist, int position, int depth);
  int ReadPlaylist(const std::string& path, bool no_playlist, int position, int depth);
  int AddLine(const std::string& line, bool no_playlist, int position, int depth);
  bool LooksLikePlaylist(const std::string& path) const;
  bool Budget() const { return added_ < kMaxEntries; }

  Playlist& playlist_;
  InsertFn insert_;
  DatabaseLookupFn database_;
  platform::WildcardPattern pattern_;
  std::set<FileId> open_;  // playlists and folders being read
  size_t added_ = 0;
  std::string last_playlist_path_;
};

// Joins a playlist line's path to the playlist's folder: absolute paths and CD
// pseudo-paths ("ID...-NN") stay as they are. Nullopt when the line has no path.
std::optional<std::string> ResolvePlaylistLine(const std::string& playlist_path,
                                               const std::string& line_path);

// The songs named by an M3U/M3U8 or PLS list (paths as written, comments dropped).
std::vector<std::string> ReadForeignPlaylist(const std::string& path);
// True for the names of M3U/M3U8 and PLS lists.
bool IsForeignPlaylistName(const std::string& path);

// A name read from a list: a relative name that exists beside the list is taken
// from there, any other name as written.
std::string ResolveListedName(const std::string& list_path, const std::string& name);

// Every file below a folder, in the order a folder is added: names sorted,
// subfolders in place, folder symlinks not followed, a folder met twice (a bind
// mount) skipped, at most max_depth levels and PlaylistLoader::kMaxEntries names.
std::vector<std::string> ListFolderFiles(const std::string& folder, int max_depth);

}  // namespace player
