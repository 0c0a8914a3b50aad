// CDTitles: artist, album and track titles typed by the user for one disc, kept
// in a small text file named by the disc key: artist, album, then one line per
// track from 1 to the last track (empty when untitled).
#pragma once

#include <cstdint>
#include <string>

namespace cdda {

struct CDTitles {
  char disc_key[20] = {};
  char artist[40] = {};
  char album[40] = {};
  uint32_t first_track = 0;
  uint32_t last_track = 0;
  char titles[101][40] = {};  // by track number; track 0 never has a title
  // A track's own artist, from a disc image's CUE sheet (the title file has
  // none); empty means the disc's artist.
  char performers[101][40] = {};
};

// The title file of key in folder; an empty folder means the user data folder.
std::string CDTitles_FilePath(const std::string& folder, const std::string& key);

// Fills artist, album and titles from the disc's title file, keeping key and
// track range. A missing file or missing lines leave the fields empty. False
// when the disc has no title file.
bool CDTitles_Load(const std::string& folder, CDTitles& titles);

// Writes the title file atomically. CR and LF inside a field become spaces.
// False (the old file kept) when the file cannot be written completely.
bool CDTitles_Save(const std::string& folder, const CDTitles& titles);

}  // namespace cdda
