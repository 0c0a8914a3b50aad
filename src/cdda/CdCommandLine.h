// What the command-line run needs to play a whole disc named on the command line.
#pragma once

#include <string>
#include <vector>

#include "decoders/TrackInfo.h"

namespace cdda {

// True for a device node (block or character) and for an existing ".cue" image
// file. Such a name is never identified as a sound file or read as a playlist.
bool CDDA_IsDiscName(const std::string& name);

// Makes name the CD drive for this run (the CDDA settings' DEVICE) and returns
// the disc's audio tracks through CDDA_ListTracks; their paths ("<key>-NN")
// then identify and play like files. Empty when no disc can be read.
std::vector<decoders::TrackPtr> CDDA_ExpandDiscName(const std::string& name);

}  // namespace cdda
