// The options window's form without a window: every field round-trips through
// its control, only the fields the user changed are applied (into the values as
// they stand then), hand-edited values show clamped, and MODE_ID follows the name.
#include <gtest/gtest.h>

#include <set>

#include "SettingsTestGroups.h"
#include "settings/OptionsForm.h"
#include "settings/SettingsGroups.h"

namespace {

using settings::ControlKind;
using settings::ControlValue;
using settings::OptionsForm;

class OptionsFormTest : public SettingsGroupsTest {
 protected:
  const settings::OutputModes modes{{"default", "hw:0,0", "Null"}, {0, 1, 2}};
};

// A valid value other than the one shown.
ControlValue Another(const settings::OptionsField& field, const ControlValue& shown) {
  ControlValue value = shown;
  switch (field.kind) {
    case ControlKind::kCheck:
    case ControlKind::kSlider:
    case ControlKind::kCycle:
      value.number = shown.number == field.min ? field.max : field.min;
      break;
    case ControlKind::kPen:
      value.pen[0] = 'r', value.pen[1] = 0x7F;
      break;
    case ControlKind::kModeName:
      value.text = shown.text == "hw:0,0" ? "Null" : "hw:0,0";
      break;
    default:
      value.text = shown.text + "x";
      break;
  }
  return value;
}

TEST_F(OptionsFormTest, EveryFieldOfEveryGroupRoundTripsAndFieldsAreUnique) {
  const OptionsForm before = settings::FillOptionsForm(settings::FetchAllGroups());
  const auto fields = settings::OptionsFields();
  ASSERT_EQ(before.size(), fields.size());
  std::set<std::string> keys;
  std::set<settings::OptionsGroup> groups;
  OptionsForm after = before;
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_TRUE(keys.insert(fields[i].key).second) << fields[i].key;
    groups.insert(fields[i].group);
    after[i] = Another(fields[i], before[i]);
    ASSERT_NE(after[i], before[i]) << fields[i].key;
  }
  EXPECT_EQ(groups.size(), 8u);  // every group has its controls
  settings::UseOptionsForm(before, after, modes);
  const OptionsForm again = settings::FillOptionsForm(settings::FetchAllGroups());
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(again[i], after[i]) << fields[i].key;
  EXPECT_EQ(settings::Audio().mode_id, 1u);          // "hw:0,0" is the second device
  EXPECT_EQ(settings::Audio().buffer_time, 30000u);  // shown at 1 s, moved to 30
  EXPECT_EQ(settings::Karaoke().Fetch().lines, 2);
}

TEST_F(OptionsFormTest, UseAppliesOnlyWhatTheUserChanged) {
  settings::Audio().buffer_time = 500;
  settings::Audio().mixing_freq = 30000;
  const OptionsForm before = settings::FillOptionsForm(settings::FetchAllGroups());
  // Unchanged: nothing is rounded to the sliders' steps.
  settings::UseOptionsForm(before, before, modes);
  EXPECT_EQ(settings::Audio().buffer_time, 500u);
  EXPECT_EQ(settings::Audio().mixing_freq, 30000u);

  // While the window is open the port turns random and loop on and the volume down.
  settings::MainSettings main = settings::Main().Fetch();
  main.random = 1;
  main.loop = 1;
  main.file_list = 0;
  settings::Main().Apply(main);
  settings::Audio().volume = 20;
  // The user changes the inter-file delay and the buffer on the same records.
  OptionsForm after = before;
  const auto index = [](const char* key) {
    return size_t(settings::FindOptionsField(key) - settings::OptionsFields().data());
  };
  after[index("MAIN.INTER_FILE")].number = 3;
  after[index("AUDIO.BUFFER_TIME")].number = 2;
  settings::UseOptionsForm(before, after, modes);
  EXPECT_EQ(settings::Main().Fetch().inter_file, 3);
  EXPECT_EQ(settings::Main().Fetch().random, 1);
  EXPECT_EQ(settings::Main().Fetch().loop, 1);
  EXPECT_EQ(settings::Main().Fetch().file_list, 0);
  EXPECT_EQ(settings::Audio().volume, 20);
  EXPECT_EQ(settings::Audio().buffer_time, 2000u);
  EXPECT_EQ(settings::Audio().mixing_freq, 30000u);
}

TEST_F(OptionsFormTest, HandEditedValuesShowClampedAndConversionsFollowTheTables) {
  settings::Audio().mixing_mode = 7;
  settings::Audio().device = 5;
  settings::Audio().buffer_time = 500;
  settings::Audio().mixing_freq = 30000;
  settings::Audio().limit_freq = 99999;
  const OptionsForm form = settings::FillOptionsForm(settings::FetchAllGroups());
  const auto shown = [&](const char* key) {
    const auto* field = settings::FindOptionsField(key);
    return form[size_t(field - settings::OptionsFields().data())].number;
  };
  EXPECT_EQ(shown("AUDIO.MIXING_MODE"), 2);
  EXPECT_EQ(shown("AUDIO.DEVICE"), 1);
  EXPECT_EQ(shown("AUDIO.BUFFER_TIME"), 1);  // 500 ms is below the slider's 1 s
  EXPECT_EQ(settings::MixingTable()[size_t(shown("AUDIO.MIXING_FREQ"))], 32000u);
  EXPECT_EQ(shown("AUDIO.LIMIT_FREQ"), 12);
  EXPECT_EQ(shown("KARAOKE.LINES"), 0);
  EXPECT_EQ(shown("KARAOKE.ADVANCE_TIME"), 5);
  EXPECT_EQ(shown("MPEG3.STEREO_FREQ_MAX"), 44);  // 48000: the last value's first position

  const auto& advance = *settings::FindOptionsField("KARAOKE.ADVANCE_TIME");
  EXPECT_EQ(settings::SliderValueText(advance, 5), "0.5 s");
  const auto& mixing = *settings::FindOptionsField("AUDIO.MIXING_FREQ");
  EXPECT_EQ(settings::SliderValueText(mixing, 0), " 4000Hz");
  const auto& decoding = *settings::FindOptionsField("MPEG2.MONO_FREQ_MAX");
  EXPECT_EQ(settings::SliderValueText(decoding, 47), "48000Hz");
  EXPECT_EQ(settings::SliderValueText(*settings::FindOptionsField("FILE.BUFFER_SIZE"), 32), "32K");

  // A mode name matches only exactly; an unknown name stores identifier 0.
  settings::SettingsSnapshot all = settings::FetchAllGroups();
  const auto& mode = *settings::FindOptionsField("AUDIO.MODE_NAME");
  ControlValue name;
  name.text = "HW:0,0";
  mode.store(all, name, modes);
  EXPECT_EQ(all.audio.mode_id, 0u);
  name.text = "Null";
  mode.store(all, name, modes);
  EXPECT_EQ(all.audio.mode_id, 2u);
}

}  // namespace
