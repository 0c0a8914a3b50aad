// Loading and saving the settings file ("PROGDIR:Tunewright.cfg").
//
// Start-up calls SetAudioDefaults() (SettingsGroups.h) and then Settings_Load();
// command-line overrides come after the load. All on the main task.
#pragma once

#include <ostream>
#include <string>

namespace settings {

// The settings file in the user's data folder (what "PROGDIR:Tunewright.cfg" names).
std::string Settings_DefaultPath();

// Loads the file into every settings group. A file that begins with a whole
// older binary record ("TWCF", version 1, 888 bytes) is taken as that record;
// any other file is read as text. Each group is fetched, overwritten with the
// values found, brought into its ranges and applied, in catalogue order.
// False, with every setting unchanged, when the file cannot be opened.
//
// A number that is no number keeps its setting's value, and a number outside
// its setting's range is clamped; each gets one line on warnings (standard
// error unless given): "PATH:LINE: KEY: 'abc' is not a number".
bool Settings_Load(const std::string& path);
bool Settings_Load(const std::string& path, std::ostream& warnings);

// Loads only what decoding depends on (the MPEG2, MPEG3 and FILE groups), so a
// tool decodes a file as the player would. False as Settings_Load.
bool Settings_LoadDecoding(const std::string& path);

// Writes every group's current values as a fresh text document, in catalogue
// order, replacing the file atomically (its folder is created when missing).
// False when anything fails; the old file is then left exactly as it was.
bool Settings_Save(const std::string& path);

}  // namespace settings
