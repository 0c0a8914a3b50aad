// The ranges each setting may take. A hand-edited file or an older binary
// record can hold anything; applying a group brings every value back into its
// range, so consumers never see, say, a refresh delay of 0 or a volume of -5.
// Values already in range are left exactly as they are.
#pragma once

#include "settings/SettingsRecords.h"

namespace settings {

void ClampToRanges(AudioSettings& audio);
void ClampToRanges(MpegSettings& mpeg);
void ClampToRanges(KaraokeSettings& karaoke);
void ClampToRanges(LevelsSettings& levels);
void ClampToRanges(MainSettings& main);
void ClampToRanges(AudioBaseSettings& audio_base);
void ClampToRanges(FileSettings& file);
void ClampToRanges(CddaSettings& cdda);

}  // namespace settings
