#include "settings/SettingsFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "platform/Paths.h"
#include "settings/LegacySettingsRecord.h"
#include "settings/SettingsCatalogue.h"
#include "settings/SettingsDocument.h"
#include "settings/SettingsGroups.h"

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

// The current settings with the file's values over them; a text file's values
// are also brought into their ranges, and what could not be used as written is
// reported on warnings. False when the file cannot be opened.
bool ReadSettingsFile(const std::string& path, SettingsSnapshot& snapshot, std::ostream& warnings) {
  std::vector<uint8_t> prefix;
  if (!ReadRecordPrefix(path, prefix)) return false;
  snapshot = FetchAllGroups();
  if (DecodeLegacySettingsRecord(prefix, snapshot)) return true;
  SettingsDocument document;
  if (!document.Read(path)) return false;
  std::vector<SettingsWarning> found;
  ReadCatalogue(document, snapshot, &found);
  ClampCatalogue(document, snapshot, &found);
  std::stable_sort(
      found.begin(), found.end(),
      [](const SettingsWarning& a, const SettingsWarning& b) { return a.line < b.line; });
  for (const SettingsWarning& warning : found)
    warnings << path << ':' << warning.line << ": " << warning.key << ": " << warning.problem
             << '\n';
  warnings.flush();
  return true;
}

}  // namespace

std::string Settings_DefaultPath() { return platform::ResolveProgDir("PROGDIR:Tunewright.cfg"); }

bool Settings_Load(const std::string& path) { return Settings_Load(path, std::cerr); }

bool Settings_Load(const std::string& path, std::ostream& warnings) {
  SettingsSnapshot snapshot;
  if (!ReadSettingsFile(path, snapshot, warnings)) return false;
  ApplyAllGroups(snapshot);
  return true;
}

bool Settings_LoadDecoding(const std::string& path) {
  SettingsSnapshot snapshot;
  if (!ReadSettingsFile(path, snapshot, std::cerr)) return false;
  Mpeg().Apply(snapshot.mpeg);
  File().Apply(snapshot.file);
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
