// Loads arbitrary bytes as the settings file (the text document, or the older
// 888-byte record when the input begins with one), then checks that what was
// kept saves and loads back to the same file, without a warning.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "FuzzInput.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsGroups.h"

namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int FuzzSettings(const uint8_t* data, size_t size) {
  settings::SetAudioDefaults();
  const fuzz::InputFile input(data, size, ".cfg");
  std::ostringstream warnings;
  settings::Settings_Load(input.path(), warnings);
  const std::string saved = input.path() + ".saved";
  if (!settings::Settings_Save(saved)) std::abort();
  const std::string first = Contents(saved);
  std::ostringstream reloaded;
  if (!settings::Settings_Load(saved, reloaded) || !settings::Settings_Save(saved)) std::abort();
  if (Contents(saved) != first || !reloaded.str().empty()) std::abort();
  std::remove(saved.c_str());
  return 0;
}

TW_FUZZ_ENTRY(FuzzSettings)
