// Thread naming and priorities: every task of the player gets a name that shows
// in top and gdb; priorities map to niceness, best-effort.
#pragma once

#include <string_view>

namespace platform {

// Names the calling thread (cut to 15 bytes, the kernel's limit).
void NameThisThread(std::string_view name);

// Maps a task priority (-128..127, higher runs first) onto the calling thread's
// niceness. Failure (no permission) is not an error and is ignored.
void SetThisThreadPriority(int priority);

}  // namespace platform
