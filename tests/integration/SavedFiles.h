// Every kind of file the program saves, each in an old and a new version, for
// the tests that break saves half way (killed, or on a full disc).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace savetest {

// Writes version 0 (the old file) or 1 (the new one) to path; true when the
// save reported success. Saving onto an existing older version is the real
// save under test; the reference versions are made on fresh paths.
using SaveFn = std::function<bool(int version, const std::string& path)>;

struct SavedKind {
  const char* name;
  SaveFn save;
};

// Settings, playlist, player state, database, lyrics, disc titles, and an ID3 tag both
// replaced in place and appended.
const std::vector<SavedKind>& SavedKinds();
const SavedKind& SavedKindNamed(const std::string& name);

// Where a kind is saved inside folder: disc titles are named by their disc.
std::string SavePathIn(const SavedKind& kind, const std::string& folder);

// The name of a kind as a test parameter ("id3-append" becomes "id3_append").
std::string TestNameOf(const SavedKind& kind);

// Adds a test failure for each temporary a save left in folder.
void ExpectNoTemporaries(const std::string& folder);

}  // namespace savetest
