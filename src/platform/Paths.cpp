#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>

namespace platform {
namespace {

// The variable's value, or fallback when it is unset or empty.
std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

}  // namespace

std::string UserDataFolder() {
  if (std::string home = EnvOr("TUNEWRIGHT_HOME", ""); !home.empty()) return home;
  if (std::string config = EnvOr("XDG_CONFIG_HOME", ""); !config.empty())
    return config + "/tunewright";
  return EnvOr("HOME", ".") + "/.config/tunewright";
}

bool EnsureUserDataFolder() {
  std::error_code ec;
  std::filesystem::create_directories(UserDataFolder(), ec);
  return std::filesystem::is_directory(UserDataFolder(), ec);
}

std::string ResolveProgDir(std::string_view name) {
  constexpr std::string_view kProgDir = "PROGDIR:";
  if (name.size() >= kProgDir.size()) {
    bool match = true;
    for (size_t i = 0; i < kProgDir.size(); ++i) {
      const char c = name[i];
      const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
      if (upper != kProgDir[i]) match = false;
    }
    if (match) return UserDataFolder() + "/" + std::string(name.substr(kProgDir.size()));
  }
  return std::string(name);
}

}  // namespace platform
