#include "cdda/CdCommandLine.h"

#include <sys/stat.h>

#include <mutex>
#include <optional>

#include "cdda/Cdda.h"
#include "cdda/ScsiTransport.h"
#include "settings/SettingsGroups.h"

namespace cdda {
namespace {

struct RunDrive {
  std::string device;
  std::string settings_device;  // the DEVICE setting it stands in for
};

std::mutex g_run_drive_mutex;
std::optional<RunDrive> g_run_drive;  // protected by g_run_drive_mutex

}  // namespace

bool CDDA_IsDiscName(const std::string& name) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return false;
  if (S_ISBLK(info.st_mode) || S_ISCHR(info.st_mode)) return true;
  return S_ISREG(info.st_mode) && HasCueSuffix(name);
}

std::vector<decoders::TrackPtr> CDDA_ExpandDiscName(const std::string& name) {
  CDDA_UseDriveForThisRun(name);
  std::string key;
  return CDDA_ListTracks(&key);
}

void CDDA_UseDriveForThisRun(const std::string& device) {
  const std::string settings_device = settings::Cdda().Fetch().device;
  std::lock_guard lock(g_run_drive_mutex);
  if (device.empty()) {
    g_run_drive.reset();
  } else {
    g_run_drive = RunDrive{device, settings_device};
  }
}

std::string CDDA_DriveForThisRun(const std::string& settings_device) {
  std::lock_guard lock(g_run_drive_mutex);
  if (g_run_drive && g_run_drive->settings_device == settings_device) return g_run_drive->device;
  return settings_device;
}

}  // namespace cdda
