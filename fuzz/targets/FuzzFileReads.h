// Fuzzing reads files through stdio rather than the read-ahead thread: both hand
// the parsers the same bytes, and a thread started for every input would spend
// more time than the parsing. The replay test keeps the program's defaults.
#pragma once

#include "settings/SettingsGroups.h"

namespace fuzz {

inline void ReadFilesWithoutThreads() {
#ifndef TW_FUZZ_REPLAY
  static const bool done = [] {
    settings::FileSettings file = settings::File().Fetch();
    file.use_asyncio = 0;
    settings::File().Apply(file);
    return true;
  }();
  (void)done;
#endif
}

}  // namespace fuzz
