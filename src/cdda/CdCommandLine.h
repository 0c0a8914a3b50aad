// Discs named by the user for one run: on the command line or sent to the port.
#pragma once

#include <string>
#include <vector>

#include "decoders/TrackInfo.h"

namespace cdda {

// True for a device node (block or character) and for an existing ".cue" image
// file. Such a name is never identified as a sound file or read as a playlist.
bool CDDA_IsDiscName(const std::string& name);

// Makes name the CD drive for this run and returns the disc's audio tracks
// through CDDA_ListTracks; their paths ("<key>-NN") then identify and play like
// files. Empty when no disc can be read. The CDDA settings are left as they are.
std::vector<decoders::TrackPtr> CDDA_ExpandDiscName(const std::string& name);

// A disc named for this run stands in for the settings' drive without being
// written into them, so the settings file keeps the drive the user chose. It
// holds while the settings' DEVICE stays what it was when the disc was named: a
// drive chosen later in the options window wins. An empty device ends it.
void CDDA_UseDriveForThisRun(const std::string& device);
// The drive to open when the settings' DEVICE is settings_device. Any thread.
std::string CDDA_DriveForThisRun(const std::string& settings_device);

}  // namespace cdda
