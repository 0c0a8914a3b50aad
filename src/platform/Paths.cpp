#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>

namespace platform {
namespace {

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

}  // namespace

std::string UserDataFolder() {
  if (std::string home = EnvOrEmpty("TUNEWRIGHT_HOME"); !home.empty()) return home;
  if (std::string config = EnvOrEmpty("XDG_CONFIG_HOME"); !config.empty())
    return config + "/tunewright";
  std::string home = EnvOrEmpty("HOME");
  if (home.empty()) home = ".";
  return home + "/.config/tunewright";
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
