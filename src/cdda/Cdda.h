// The CD as a playable source: the "[CDDA]" format module, disc listing,
// disc-change polling and the per-disc titles.
//
// Tracks are named "<disc key>-NN". The drive is the one the CDDA settings'
// DEVICE names (a device node, or a ".cue" image), unless a disc named for this
// run stands in for it (CDDA_UseDriveForThisRun). CDTitles always describes the
// disc read last; the main task's listing and polling and the player task's
// open() share it under one lock. The playback operations run on the player
// task only.
#pragma once

#include <string>
#include <vector>

#include "cdda/CDDrive.h"
#include "cdda/CdTitles.h"
#include "decoders/TrackInfo.h"

namespace cdda {

// Opens the drive with its TOC read and reloads CDTitles; null when there is no
// readable disc (an empty or unreadable TOC included). The caller closes it.
CDDrivePtr CDDA_ReadDisc(int timeout_ms = kNormalTimeoutMs);

// One new record per usable audio track, in track order; key receives the disc
// key (empty when the drive cannot be read, and then no records).
std::vector<decoders::TrackPtr> CDDA_ListTracks(std::string* key,
                                                int timeout_ms = kNormalTimeoutMs);

// 0 no change (or polling switched off), 1 the disc was removed, 2 another disc
// is in the drive. Uses short command timeouts.
int CDDA_PollDisc();

// A copy of the titles of the disc read last (for the title editor).
CDTitles CDDA_GetTitles();

// Writes the title file of titles' disc (and takes it as current when it is the
// disc read last). False when the file could not be written; the old one stays.
bool CDDA_SaveTitles(const CDTitles& titles);

// The GUI's title editor, given to every CD track as edit_tags (null: none).
void CDDA_SetTitleEditor(decoders::EditTagsFn editor);

}  // namespace cdda
