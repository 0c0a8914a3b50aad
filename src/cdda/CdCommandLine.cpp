#include "cdda/CdCommandLine.h"

#include <sys/stat.h>

#include "cdda/Cdda.h"
#include "cdda/ScsiTransport.h"
#include "settings/SettingsGroups.h"

namespace cdda {

bool CDDA_IsDiscName(const std::string& name) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return false;
  if (S_ISBLK(info.st_mode) || S_ISCHR(info.st_mode)) return true;
  return S_ISREG(info.st_mode) && HasCueSuffix(name);
}

std::vector<decoders::TrackPtr> CDDA_ExpandDiscName(const std::string& name) {
  settings::CddaSettings config = settings::Cdda().Fetch();
  config.device = name;
  settings::Cdda().Apply(config);
  std::string key;
  return CDDA_ListTracks(&key);
}

}  // namespace cdda
