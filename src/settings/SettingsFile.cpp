#include "settings/SettingsFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/Paths.h"
#include "settings/LegacySettingsRecord.h"
#include "settings/SettingsCatalogue.h"
#include "settings/SettingsDocument.h"

namespace settings {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The first bytes of the file, at most one binary record's worth. False when
// the file cannot be opened.
bool ReadRecordPrefix(const std::string& path, std::vector<uint8_t>& bytes) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  bytes.resize(kLegacyRecordSize);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  return true;
}

}  // namespace

std::string Settings_DefaultPath() { return platform::ResolveProgDir("PROGDIR:Tunewright.cfg"); }

bool Settings_Load(const std::string& path) {
  std::vector<uint8_t> prefix;
  if (!ReadRecordPrefix(path, prefix)) return false;
  SettingsSnapshot snapshot = FetchAllGroups();
  if (!DecodeLegacySettingsRecord(prefix, snapshot)) {
    SettingsDocument document;
    if (!document.Read(path)) return false;
    ReadCatalogue(document, snapshot);
  }
  ApplyAllGroups(snapshot);
  return true;
}

bool Settings_Save(const std::string& path) {
  SettingsDocument document;
  WriteCatalogue(FetchAllGroups(), document);
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  return document.Write(path);
}

}  // namespace settings
