#include "cdda/CdTitles.h"

#include <algorithm>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/TextLines.h"
#include "platform/Utf8.h"

namespace cdda {
namespace {

constexpr uint32_t kMaxTrack = 99;

std::string OneLine(const char* field) {
  std::string text(field);
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text + '\n';
}

template <size_t N>
bool ReadField(platform::TextFile& file, char (&field)[N]) {
  std::string line;
  if (!file.ReadLine(line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  platform::CopyField(field, line);
  return true;
}

}  // namespace

std::string CDTitles_FilePath(const std::string& folder, const std::string& key) {
  std::string base = folder.empty() ? platform::UserDataFolder() : folder;
  if (!base.empty() && base.back() != '/') base += '/';
  return base + key;
}

bool CDTitles_Load(const std::string& folder, CDTitles& titles) {
  platform::TextFile file(CDTitles_FilePath(folder, titles.disc_key));
  if (!file.is_open()) return false;
  if (!ReadField(file, titles.artist) || !ReadField(file, titles.album)) return true;
  const uint32_t last = std::min(titles.last_track, kMaxTrack);
  for (uint32_t n = 1; n <= last; ++n) {
    if (!ReadField(file, titles.titles[n])) break;
  }
  return true;
}

bool CDTitles_Save(const std::string& folder, const CDTitles& titles) {
  if (folder.empty() && !platform::EnsureUserDataFolder()) return false;
  std::string text = OneLine(titles.artist) + OneLine(titles.album);
  const uint32_t last = std::min(titles.last_track, kMaxTrack);
  for (uint32_t n = 1; n <= last; ++n)
    text += n < titles.first_track ? std::string("\n") : OneLine(titles.titles[n]);
  return platform::WriteFileAtomically(CDTitles_FilePath(folder, titles.disc_key), text);
}

}  // namespace cdda
