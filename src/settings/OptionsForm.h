// The options window's logic, without a toolkit: one table of every control it
// shows (page, kind, range, texts, and how the control's value is read from and
// stored into its setting), filling the controls from the groups with every
// value brought into the control's range, and applying only the fields the user
// changed, into the groups' values as they stand at that moment, so a setting
// changed elsewhere while the window was open (by the command port, a menu, the
// main window) is not turned back.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "settings/SettingsCatalogue.h"
#include "settings/SettingsRecords.h"

namespace settings {


enum class OptionsGroup { kAudio, kMpeg, kKaraoke, kLevels, kMain, kAudioBase, kFile, kCdda };

// Pages and inner tabs, in the window's order.
enum class OptionsPage {
  kMain,
  kMainFile,
  kMainDisplay,
  kMainButtons,
  kAudio,
  kKaraoke,
  kScopes,
  kMpegLayers12,
  kMpegLayer3,
  kCdda
};

enum class ControlKind {
  kCheck,     // number 0/1
  kSlider,    // number = position min..max
  kCycle,     // number = choice 0..choices-1
  kText,      // text
  kDrawer,    // text with a drawer requester
  kFile,      // text with a file requester
  kFont,      // text with a font requester
  kPen,       // pen
  kModeName,  // text, one of the output devices listed
};

// How a slider shows its position.
enum class SliderText { kPlain, kSeconds, kKilobytes, kTenths, kMixingTable, kDecodingTable };

struct ControlValue {
  int32_t number = 0;
  std::string text;
  Pen pen{};
  bool operator==(const ControlValue&) const = default;
};

// The output devices offered for MODE_NAME, with their identifiers.
struct OutputModes {
  std::vector<std::string> names;
  std::vector<uint32_t> ids;
};

struct OptionsField {
  const char* key = "";  // "SECTION.KEY", also the control's object name
  OptionsPage page = OptionsPage::kMain;
  OptionsGroup group = OptionsGroup::kMain;
  ControlKind kind = ControlKind::kCheck;
  int32_t label = 0;         // text id (0: none)
  int32_t help = 0;          // text id of the bubble help (0: none)
  int32_t min = 0, max = 1;  // slider positions; cycle choices are min..max
  SliderText slider_text = SliderText::kPlain;
  std::vector<int32_t> choices = {};  // text ids of a cycle; 0: the name below
  // The control's value from the settings, within the control's range.
  std::function<ControlValue(const SettingsSnapshot&)> fill;
  // Stores the control's value into the settings.
  std::function<void(SettingsSnapshot&, const ControlValue&, const OutputModes&)> store;
  std::vector<const char*> names = {};  // untranslated choice names (0 entries in choices)
};

// Every control of the window, in page order.
std::span<const OptionsField> OptionsFields();
const OptionsField* FindOptionsField(const std::string& key);

// The slider's text for a position ("3 sec", "32K", "0.5 s", "44100Hz").
std::string SliderValueText(const OptionsField& field, int32_t position);

// Frequency tables and their slider positions.
std::span<const uint32_t> MixingTable();
std::span<const uint32_t> DecodingTable();
int32_t MixingPosition(uint32_t frequency);    // first table value not below it
int32_t DecodingPosition(uint32_t frequency);  // four positions per value

using OptionsForm = std::vector<ControlValue>;  // one per field, in table order

OptionsForm FillOptionsForm(const SettingsSnapshot& settings);

// Stores each field whose value differs between before and after into settings;
// returns the groups touched.
std::vector<OptionsGroup> StoreChangedFields(const OptionsForm& before, const OptionsForm& after,
                                             const OutputModes& modes, SettingsSnapshot& settings);

// Applies the given groups' values (each group's apply, in catalogue order), so
// their consumers act at once.
void ApplyOptionsGroups(const SettingsSnapshot& settings, const std::vector<OptionsGroup>& groups);

// "_Use": the changed fields into the groups' current values, then applied.
void UseOptionsForm(const OptionsForm& before, const OptionsForm& after, const OutputModes& modes);

}  // namespace settings
