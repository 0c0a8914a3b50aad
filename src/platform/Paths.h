// Where the program keeps its files on Linux.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The user's data folder that stands for "PROGDIR:": $TUNEWRIGHT_HOME when set,
// otherwise $XDG_CONFIG_HOME/tunewright, otherwise ~/.config/tunewright.
std::string UserDataFolder();

// Creates the user data folder (and its parents) when missing. False on failure.
bool EnsureUserDataFolder();

// Resolves a stored name: "PROGDIR:x" becomes <user data folder>/x; others stay as they are.
std::string ResolveProgDir(std::string_view name);

// True when a path is absolute on Linux (begins with '/').
inline bool IsAbsolutePath(std::string_view path) { return !path.empty() && path[0] == '/'; }

}  // namespace platform
