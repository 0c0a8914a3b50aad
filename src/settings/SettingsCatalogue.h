// The settings catalogue: every section and key of the settings file, its type
// and its place. The file lists the sections AUDIO, MPEG2, MPEG3, KARAOKE,
// LEVELS, DISPLAY, BUTTONS, MAIN, AUDIO_BASE, FILE, CDDA, each with its keys in
// a fixed order; groups are read and applied in that same order.
#pragma once

#include "settings/SettingsDocument.h"
#include "settings/SettingsRecords.h"

namespace settings {

// One copy of every group's record.
struct SettingsSnapshot {
  AudioSettings audio;
  MpegSettings mpeg;
  KaraokeSettings karaoke;
  LevelsSettings levels;
  MainSettings main;  // DISPLAY, BUTTONS and MAIN
  AudioBaseSettings audio_base;
  FileSettings file;
  CddaSettings cdda;
};

// Fetches the current record of every group (the AUDIO globals included).
SettingsSnapshot FetchAllGroups();
// Applies every group in catalogue order; each is brought into its ranges first.
void ApplyAllGroups(const SettingsSnapshot& snapshot);

// Stores every key of the catalogue, in file order, with the setter of its type.
void WriteCatalogue(const SettingsSnapshot& snapshot, SettingsDocument& document);
// Reads every key of the catalogue with the getter of its type; keys missing
// from the document leave the snapshot's value.
void ReadCatalogue(const SettingsDocument& document, SettingsSnapshot& snapshot);

}  // namespace settings
