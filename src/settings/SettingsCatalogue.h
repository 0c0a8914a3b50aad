// The settings catalogue: every section and key of the settings file, its type
// and its place. The file lists the sections AUDIO, MPEG2, MPEG3, KARAOKE,
// LEVELS, DISPLAY, BUTTONS, MAIN, AUDIO_BASE, FILE, CDDA, each with its keys in
// a fixed order; groups are read and applied in that same order.
#pragma once

#include <string>
#include <vector>

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

// A value of the file that could not be used as written.
struct SettingsWarning {
  int line = 0;     // in the file, from 1
  std::string key;  // as the catalogue spells it
  std::string problem;
};

// Stores every key of the catalogue, in file order, with the setter of its type.
void WriteCatalogue(const SettingsSnapshot& snapshot, SettingsDocument& document);
// Reads every key of the catalogue with the getter of its type; keys missing
// from the document leave the snapshot's value. A number or hex value with no
// digits (after blanks and a sign) is a typo, not 0: it leaves the snapshot's
// value too and, with warnings, is reported.
void ReadCatalogue(const SettingsDocument& document, SettingsSnapshot& snapshot,
                   std::vector<SettingsWarning>* warnings = nullptr);
// Brings every group of the snapshot into its ranges, as applying would; with
// warnings, each number read from the document that this changed is reported.
void ClampCatalogue(const SettingsDocument& document, SettingsSnapshot& snapshot,
                    std::vector<SettingsWarning>* warnings = nullptr);

}  // namespace settings
