// Where a song's lyrics and picture are found.
#pragma once

#include <memory>
#include <string>

#include "karaoke/Lyrics.h"
#include "settings/SettingsRecords.h"

namespace karaoke {

// The lyrics of a song, the first that is found of: the ".kok" lyrics file
// (Lyrics_NameFor) beside the song, under PATH with the song's own path, under
// PATH with its file name alone (PATH first with PATH_HAS_PRIORITY); then
// "<full base name>.lrc" in the same places and order; then the song's LYRICS
// tag when it holds timed lines. nullptr when none is found.
std::unique_ptr<LyricsList> FindLyrics(const std::string& song_path,
                                       const settings::KaraokeSettings& settings);

// Lyrics from the text of a tag: LRC lines, else ".kok" lines; nullptr when the
// text holds no timed line (plain lyrics cannot follow the song).
std::unique_ptr<LyricsList> LyricsFromText(std::string text);

// The song's picture: its lyrics name with ".pic" for ".kok", else "main.pic" in
// that folder; empty when neither is a regular file.
std::string FindPicture(const std::string& song_path);

}  // namespace karaoke
