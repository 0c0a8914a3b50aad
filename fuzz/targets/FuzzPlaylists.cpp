// Reads arbitrary bytes as M3U and PLS lists and as a ".plst" playlist loaded
// into a playlist view, the way the player adds a playlist named by the user.
#include <string>

#include "FuzzInput.h"
#include "player/Playlist.h"
#include "player/PlaylistFiles.h"

int FuzzPlaylists(const uint8_t* data, size_t size) {
  for (const char* suffix : {".m3u", ".pls"}) {
    const fuzz::InputFile input(data, size, suffix);
    for (const std::string& path : player::ReadForeignPlaylist(input.path())) {
      player::ResolvePlaylistLine(input.path(), path);
    }
  }
  const fuzz::InputFile input(data, size, ".plst");
  player::Playlist playlist;
  player::PlaylistLoader loader(
      playlist, [](player::PlaylistEntry*, int position) { return position; }, nullptr, "#?.plst");
  loader.AddFileOrPlaylist(input.path(), false, -1);
  return 0;
}

TW_FUZZ_ENTRY(FuzzPlaylists)
