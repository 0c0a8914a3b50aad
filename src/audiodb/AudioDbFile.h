// The audio database file ("PROGDIR:Tunewright.aub" by default): sections
// [GENRE], [ARTIST], [ALBUM] with "position=name" lines and [TITLE] with one
// record a line. Paths may start with "PROGDIR:", which names the user data folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "audiodb/AudioDatabase.h"

namespace audiodb {

// The database file named by the AUDIO_BASE settings, "PROGDIR:" resolved.
std::string AudioDb_SettingsPath();

// Merges the file into the database. 4101 when it cannot be opened; otherwise the
// first failing code of a line (what was read before it stays), or 0. A read that
// stops early marks the file so that its next save keeps the old file as "<name>.bak".
int AudioDb_Read(AudioDatabase& db, const std::string& path);

// Reads from an open stream; name positions above max_position are refused (4099).
int AudioDb_ReadStream(AudioDatabase& db, std::FILE* file, int64_t max_position);

// The file's text for the whole database.
std::string AudioDb_Format(const AudioDatabase& db);

// Writes the whole database atomically: 0, or 4101 with the old file untouched.
int AudioDb_Write(AudioDatabase& db, const std::string& path);

}  // namespace audiodb
