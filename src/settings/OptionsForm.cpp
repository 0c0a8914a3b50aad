#include "settings/OptionsForm.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <type_traits>

#include "settings/SettingsGroups.h"

namespace settings {
namespace {

using P = OptionsPage;
using G = OptionsGroup;
using K = ControlKind;
using T = SliderText;

constexpr std::array<uint32_t, 13> kMixingTable = {4000,  5512,  6000,  8000,  11025, 12000, 16000,
                                                   22050, 24000, 28000, 32000, 44100, 48000};
constexpr std::array<uint32_t, 12> kDecodingTable = {4000,  5512,  6000,  8000,  11025, 12000,
                                                     16000, 22050, 24000, 32000, 44100, 48000};
constexpr int32_t kPositionsPerDecodingValue = 4;

// Cycle choices.
const std::vector<int32_t> kOffOnAuto = {6014, 6015, 6016};
const std::vector<int32_t> kOffTrackAlbum = {6014, 6107, 6108};
const std::vector<int32_t> kLines = {6043, 6044};
const std::vector<int32_t> kDisplayTypes = {6062, 6063, 6064};
const std::vector<int32_t> kQualities = {6035, 6036, 6037};
// The CD reading methods keep their drive makers' names; the stored range ends at 5.
const std::vector<int32_t> kMethods = {6062, 0, 0, 0, 0, 0};
const std::vector<const char*> kMethodNames = {"", "Sony", "Toshiba", "Philips", "NEC", "Yamaha"};

ControlValue Number(int64_t number) {
  ControlValue value;
  value.number = int32_t(number);
  return value;
}
ControlValue Words(const std::string& text) {
  ControlValue value;
  value.text = text;
  return value;
}
ControlValue PenValue(const Pen& pen) {
  ControlValue value;
  value.pen = pen;
  return value;
}

template <typename Acc>
using FieldType =
    std::remove_reference_t<decltype(std::declval<Acc>()(std::declval<SettingsSnapshot&>()))>;

template <typename Acc>
void Put(Acc acc, SettingsSnapshot& s, int64_t value) {
  acc(s) = FieldType<Acc>(value);
}

OptionsField Base(const char* key, P page, G group, K kind, int32_t label, int32_t help,
                  int32_t min = 0, int32_t max = 0) {
  OptionsField field;
  field.key = key;
  field.page = page;
  field.group = group;
  field.kind = kind;
  field.label = label;
  field.help = help;
  field.min = min;
  field.max = max;
  return field;
}

// A check box: any non-zero value shows ticked, stored as 1 or 0.
template <typename Acc>
OptionsField Flag(const char* key, P page, G group, int32_t label, int32_t help, Acc acc) {
  OptionsField f = Base(key, page, group, K::kCheck, label, help, 0, 1);
  f.fill = [acc](const SettingsSnapshot& s) { return Number(acc(s) != 0 ? 1 : 0); };
  f.store = [acc](SettingsSnapshot& s, const ControlValue& v, const OutputModes&) {
    Put(acc, s, v.number ? 1 : 0);
  };
  return f;
}

// A slider over value / scale, stored back as position * scale.
template <typename Acc>
OptionsField Slider(const char* key, P page, G group, int32_t label, int32_t help, int32_t min,
                    int32_t max, T text, Acc acc, int32_t scale = 1) {
  OptionsField f = Base(key, page, group, K::kSlider, label, help, min, max);
  f.slider_text = text;
  f.fill = [=](const SettingsSnapshot& s) {
    return Number(std::clamp(int32_t(int64_t(acc(s)) / scale), min, max));
  };
  f.store = [=](SettingsSnapshot& s, const ControlValue& v, const OutputModes&) {
    Put(acc, s, int64_t(std::clamp(v.number, min, max)) * scale);
  };
  return f;
}

// A cycle over value - first (first is 1 for LINES: its 0 shows as "1 line").
template <typename Acc>
OptionsField Cycle(const char* key, P page, G group, int32_t label, int32_t help,
                   const std::vector<int32_t>& choices, Acc acc, int32_t first = 0) {
  const int32_t last = int32_t(choices.size()) - 1;
  OptionsField f = Base(key, page, group, K::kCycle, label, help, 0, last);
  f.choices = choices;
  f.fill = [=](const SettingsSnapshot& s) {
    return Number(std::clamp(int32_t(int64_t(acc(s)) - first), 0, last));
  };
  f.store = [=](SettingsSnapshot& s, const ControlValue& v, const OutputModes&) {
    Put(acc, s, std::clamp(v.number, 0, last) + first);
  };
  return f;
}

template <typename Acc>
OptionsField Text(const char* key, P page, G group, K kind, int32_t label, int32_t help, Acc acc) {
  OptionsField f = Base(key, page, group, kind, label, help);
  f.fill = [acc](const SettingsSnapshot& s) { return Words(acc(s)); };
  f.store = [acc](SettingsSnapshot& s, const ControlValue& v, const OutputModes&) { acc(s) = v.text; };
  return f;
}

template <typename Acc>
OptionsField PenField(const char* key, int32_t label, Acc acc) {
  OptionsField f = Base(key, P::kScopes, G::kLevels, K::kPen, label, 0);
  f.fill = [acc](const SettingsSnapshot& s) { return PenValue(acc(s)); };
  f.store = [acc](SettingsSnapshot& s, const ControlValue& v, const OutputModes&) { acc(s) = v.pen; };
  return f;
}

template <typename Acc>
OptionsField MixingFrequency(const char* key, int32_t label, int32_t help, Acc acc) {
  const int32_t last = int32_t(kMixingTable.size()) - 1;
  OptionsField f = Base(key, P::kAudio, G::kAudio, K::kSlider, label, help, 0, last);
  f.slider_text = T::kMixingTable;
  f.fill = [acc](const SettingsSnapshot& s) { return Number(MixingPosition(acc(s))); };
  f.store = [=](SettingsSnapshot& s, const ControlValue& v, const OutputModes&) {
    acc(s) = kMixingTable[size_t(std::clamp(v.number, 0, last))];
  };
  return f;
}

template <typename Acc>
OptionsField DecodingFrequency(const char* key, P page, Acc acc) {
  const int32_t last = int32_t(kDecodingTable.size()) * kPositionsPerDecodingValue - 1;
  OptionsField f = Base(key, page, G::kMpeg, K::kSlider, 6038, 0, 0, last);
  f.slider_text = T::kDecodingTable;
  f.fill = [acc](const SettingsSnapshot& s) { return Number(DecodingPosition(acc(s))); };
  f.store = [=](SettingsSnapshot& s, const ControlValue& v, const OutputModes&) {
    const int32_t position = std::clamp(v.number, 0, last);
    acc(s) = kDecodingTable[size_t(position / kPositionsPerDecodingValue)];
  };
  return f;
}

// MODE_NAME with MODE_ID: the identifier of the listed device of exactly that name, else 0.
OptionsField ModeName() {
  OptionsField f = Base("AUDIO.MODE_NAME", P::kAudio, G::kAudio, K::kModeName, 6012, 5040);
  f.fill = [](const SettingsSnapshot& s) { return Words(s.audio.mode_name); };
  f.store = [](SettingsSnapshot& s, const ControlValue& v, const OutputModes& modes) {
    s.audio.mode_name = v.text;
    s.audio.mode_id = 0;
    for (size_t i = 0; i < modes.names.size() && i < modes.ids.size(); ++i)
      if (modes.names[i] == v.text) {
        s.audio.mode_id = modes.ids[i];
        break;
      }
  };
  return f;
}

#define TW_AT(member) \
  [](auto& s) -> auto& { return s.member; }

template <typename Layer>
void AddMpegLayer(std::vector<OptionsField>& fields, P page, const char* prefix, Layer layer) {
  static std::vector<std::string> keys;  // the keys' storage lives as long as the table
  const auto key = [&](const char* name) {
    keys.push_back(std::string(prefix) + name);
    return keys.back().c_str();
  };
  keys.reserve(keys.size() + 8);
  fields.push_back(Cycle(
      key(".MONO_QUALITY"), page, G::kMpeg, 6034, 0,
      kQualities, [layer](auto& s) -> auto& { return layer(s).mono_quality; }));
  fields.push_back(DecodingFrequency(
      key(".MONO_FREQ_MAX"), page, [layer](auto& s) -> auto& { return layer(s).mono_freq_max; }));
  fields.push_back(Cycle(
      key(".STEREO_QUALITY"), page, G::kMpeg, 6034, 0,
      kQualities, [layer](auto& s) -> auto& { return layer(s).stereo_quality; }));
  fields.push_back(DecodingFrequency(
      key(".STEREO_FREQ_MAX"),
      page, [layer](auto& s) -> auto& { return layer(s).stereo_freq_max; }));
  fields.push_back(Flag(
      key(".MONO_FORCED"), page, G::kMpeg, 6039,
      5069, [layer](auto& s) -> auto& { return layer(s).mono_forced; }));
}

std::vector<OptionsField> MakeFields() {
  std::vector<OptionsField> f;
  // Main page.
  f.push_back(Slider("MAIN.INTER_FILE", P::kMain, G::kMain, 6022, 5042, 0, 5, T::kSeconds,
                     TW_AT(main.inter_file)));
  f.push_back(Text("MAIN.FILE_DRAWER", P::kMain, G::kMain, K::kDrawer, 6023, 5021,
                   TW_AT(main.file_drawer)));
  f.push_back(Text("MAIN.INITIAL_FILE", P::kMain, G::kMain, K::kFile, 6024, 5022,
                   TW_AT(main.initial_file)));
  f.push_back(Text("AUDIO_BASE.FILEPATH", P::kMain, G::kAudioBase, K::kFile, 6025, 5038,
                   TW_AT(audio_base.filepath)));
  f.push_back(Text("MAIN.FILE_PATTERN", P::kMain, G::kMain, K::kText, 6026, 5023,
                   TW_AT(main.file_pattern)));
  f.push_back(Text("MAIN.PLAYLIST_PATTERN", P::kMain, G::kMain, K::kText, 6027, 5024,
                   TW_AT(main.playlist_pattern)));
  f.push_back(Flag("MAIN.AUTO_PLAY", P::kMain, G::kMain, 6028, 5048, TW_AT(main.auto_play)));
  // Main page, File tab.
  f.push_back(
      Flag("FILE.LOAD_IN_RAM", P::kMainFile, G::kFile, 6029, 5025, TW_AT(file.load_in_ram)));
  f.push_back(Slider("FILE.BUFFER_SIZE", P::kMainFile, G::kFile, 6021, 5026, 1, 256, T::kKilobytes,
                     TW_AT(file.buffer_size)));
  f.push_back(Flag("FILE.USE_XPK", P::kMainFile, G::kFile, 6030, 5027, TW_AT(file.use_xpk)));
  f.push_back(
      Flag("FILE.USE_ASYNCIO", P::kMainFile, G::kFile, 6031, 5028, TW_AT(file.use_asyncio)));
  // Main page, Display tab.
  f.push_back(
      Flag("DISPLAY.FILE_LIST", P::kMainDisplay, G::kMain, 6086, 5029, TW_AT(main.file_list)));
  f.push_back(Flag("DISPLAY.PLAYLIST_WINDOW", P::kMainDisplay, G::kMain, 6087, 5030,
                   TW_AT(main.playlist_window)));
  f.push_back(Flag("DISPLAY.ARTIST_ALBUM", P::kMainDisplay, G::kMain, 6088, 5031,
                   TW_AT(main.artist_album)));
  f.push_back(
      Flag("DISPLAY.FILE_FORMAT", P::kMainDisplay, G::kMain, 6089, 5032, TW_AT(main.file_format)));
  f.push_back(Flag("DISPLAY.FILE_COMMENT", P::kMainDisplay, G::kMain, 6090, 5033,
                   TW_AT(main.file_comment)));
  f.push_back(Flag("DISPLAY.VOLUME_BALANCE", P::kMainDisplay, G::kMain, 6091, 5034,
                   TW_AT(main.volume_balance)));
  f.push_back(
      Flag("DISPLAY.BASS_TREBLE", P::kMainDisplay, G::kMain, 2029, 5035, TW_AT(main.bass_treble)));
  f.push_back(
      Flag("DISPLAY.TIME_SLIDER", P::kMainDisplay, G::kMain, 6092, 5036, TW_AT(main.time_slider)));
  f.push_back(Flag("DISPLAY.SIZEABLE_WINDOW", P::kMainDisplay, G::kMain, 6078, 5037,
                   TW_AT(main.sizeable_window)));
  f.push_back(Text("DISPLAY.LIST_PATTERN", P::kMainDisplay, G::kMain, K::kText, 6040, 5071,
                   TW_AT(main.list_pattern)));
  // Main page, Buttons tab: one toggle per main window button.
  f.push_back(Flag("BUTTONS.SHRINK", P::kMainButtons, G::kMain, 6093, 0, TW_AT(main.shrink)));
  f.push_back(Flag("BUTTONS.OPTIONS", P::kMainButtons, G::kMain, 6094, 5011, TW_AT(main.options)));
  f.push_back(Flag("BUTTONS.PREV_NEXT", P::kMainButtons, G::kMain, 6095, 0, TW_AT(main.prev_next)));
  f.push_back(
      Flag("BUTTONS.BACK_FORWARD", P::kMainButtons, G::kMain, 6096, 0, TW_AT(main.back_forward)));
  f.push_back(Flag("BUTTONS.PAUSE", P::kMainButtons, G::kMain, 5014, 0, TW_AT(main.pause)));
  f.push_back(Flag("BUTTONS.FILTER", P::kMainButtons, G::kMain, 6097, 5017, TW_AT(main.filter)));
  f.push_back(Flag("BUTTONS.EXPAND", P::kMainButtons, G::kMain, 6098, 5018, TW_AT(main.expand)));
  f.push_back(Flag("BUTTONS.RECORD", P::kMainButtons, G::kMain, 6099, 0, TW_AT(main.record)));
  f.push_back(
      Flag("BUTTONS.RANDOM", P::kMainButtons, G::kMain, 6100, 5052, TW_AT(main.random_button)));
  f.push_back(
      Flag("BUTTONS.INTRO", P::kMainButtons, G::kMain, 6101, 5053, TW_AT(main.intro_button)));
  f.push_back(Flag("BUTTONS.LOOP", P::kMainButtons, G::kMain, 6102, 5067, TW_AT(main.loop_button)));
  f.push_back(Flag("BUTTONS.CDDA", P::kMainButtons, G::kMain, 10003, 0, TW_AT(main.cdda)));
  f.push_back(Slider("MAIN.INTRO_DURATION", P::kMainButtons, G::kMain, 6041, 5058, 1, 60,
                     T::kSeconds, TW_AT(main.intro_duration)));
  // Audio page. New controls join here, in the order they should show.
  f.push_back(Flag("AUDIO.DEVICE", P::kAudio, G::kAudio, 6011, 5039, TW_AT(audio.device)));
  f.push_back(ModeName());
  f.push_back(Cycle("AUDIO.MIXING_MODE", P::kAudio, G::kAudio, 6013, 5041, kOffOnAuto,
                    TW_AT(audio.mixing_mode)));
  f.push_back(MixingFrequency("AUDIO.MIXING_FREQ", 6018, 5043, TW_AT(audio.mixing_freq)));
  f.push_back(MixingFrequency("AUDIO.LIMIT_FREQ", 6019, 5044, TW_AT(audio.limit_freq)));
  f.push_back(
      Flag("AUDIO.BASS_TREBLE", P::kAudio, G::kAudio, 6017, 5049, TW_AT(audio.bass_treble)));
  f.push_back(Slider("AUDIO.PRIORITY", P::kAudio, G::kAudio, 6020, 5050, -9, 9, T::kPlain,
                     TW_AT(audio.priority)));
  f.push_back(Slider("AUDIO.BUFFER_TIME", P::kAudio, G::kAudio, 6021, 5056, 1, 30, T::kSeconds,
                     TW_AT(audio.buffer_time), 1000));
  f.push_back(Cycle("AUDIO.REPLAYGAIN", P::kAudio, G::kAudio, 6106, 0, kOffTrackAlbum,
                    TW_AT(audio.replaygain)));
  f.push_back(Slider("AUDIO.REPLAYGAIN_PREAMP", P::kAudio, G::kAudio, 6109, 0, -15, 15, T::kPlain,
                     TW_AT(audio.replaygain_preamp)));
  // Karaoke page.
  f.push_back(Flag("KARAOKE.WINDOW_OPENED", P::kKaraoke, G::kKaraoke, 6042, 5057,
                   TW_AT(karaoke.window_opened)));
  f.push_back(Cycle("KARAOKE.LINES", P::kKaraoke, G::kKaraoke, 6007, 5060, kLines,
                    TW_AT(karaoke.lines), 1));
  f.push_back(Slider("KARAOKE.ADVANCE_TIME", P::kKaraoke, G::kKaraoke, 6045, 5061, 0, 10,
                     T::kTenths, TW_AT(karaoke.advance_time), 100));
  f.push_back(
      Text("KARAOKE.PATH", P::kKaraoke, G::kKaraoke, K::kDrawer, 6046, 5062, TW_AT(karaoke.path)));
  f.push_back(Flag("KARAOKE.PATH_HAS_PRIORITY", P::kKaraoke, G::kKaraoke, 6047, 5063,
                   TW_AT(karaoke.path_has_priority)));
  f.push_back(
      Text("KARAOKE.FONT1", P::kKaraoke, G::kKaraoke, K::kFont, 6048, 0, TW_AT(karaoke.font1)));
  f.push_back(
      Text("KARAOKE.FONT2", P::kKaraoke, G::kKaraoke, K::kFont, 6048, 0, TW_AT(karaoke.font2)));
  f.push_back(Flag("KARAOKE.FULL_SCREEN", P::kKaraoke, G::kKaraoke, 6057, 5064,
                   TW_AT(karaoke.full_screen)));
  f.push_back(Text("KARAOKE.SCREEN_FONT", P::kKaraoke, G::kKaraoke, K::kFont, 6056, 0,
                   TW_AT(karaoke.screen_font)));
  // Scopes page.
  f.push_back(Flag("LEVELS.WINDOW_OPENED", P::kScopes, G::kLevels, 6058, 5065,
                   TW_AT(levels.window_opened)));
  f.push_back(Cycle("LEVELS.METER_TYPE", P::kScopes, G::kLevels, 6059, 0, kDisplayTypes,
                    TW_AT(levels.meter_type)));
  f.push_back(PenField("LEVELS.METER_BACK_PEN", 6065, TW_AT(levels.meter_back_pen)));
  f.push_back(PenField("LEVELS.METER_SCALE_PEN", 6066, TW_AT(levels.meter_scale_pen)));
  f.push_back(PenField("LEVELS.METER_NEEDLE_PEN", 6067, TW_AT(levels.meter_needle_pen)));
  f.push_back(Cycle("LEVELS.GAUGE_TYPE", P::kScopes, G::kLevels, 6060, 0, kDisplayTypes,
                    TW_AT(levels.gauge_type)));
  f.push_back(PenField("LEVELS.GAUGE_BACK_PEN", 6065, TW_AT(levels.gauge_back_pen)));
  f.push_back(PenField("LEVELS.GAUGE_BODY_PEN", 6068, TW_AT(levels.gauge_body_pen)));
  f.push_back(PenField("LEVELS.GAUGE_TOP_PEN", 6069, TW_AT(levels.gauge_top_pen)));
  f.push_back(Cycle("LEVELS.SPECTRUM_TYPE", P::kScopes, G::kLevels, 6061, 0, kDisplayTypes,
                    TW_AT(levels.spectrum_type)));
  f.push_back(PenField("LEVELS.SPECTRUM_BACK_PEN", 6065, TW_AT(levels.spectrum_back_pen)));
  f.push_back(PenField("LEVELS.SPECTRUM_BODY_PEN", 6068, TW_AT(levels.spectrum_body_pen)));
  f.push_back(PenField("LEVELS.SPECTRUM_TOP_PEN", 6069, TW_AT(levels.spectrum_top_pen)));
  f.push_back(
      Flag("LEVELS.CPU_USAGE", P::kScopes, G::kLevels, 6070, 5059, TW_AT(levels.cpu_usage)));
  f.push_back(
      Flag("LEVELS.FIXED_LEVELS", P::kScopes, G::kLevels, 6071, 5068, TW_AT(levels.fixed_levels)));
  f.push_back(Slider("LEVELS.PRIORITY", P::kScopes, G::kLevels, 6020, 0, -9, 9, T::kPlain,
                     TW_AT(levels.priority)));
  f.push_back(Slider("LEVELS.REFRESH_DELAY", P::kScopes, G::kLevels, 6072, 5066, 1, 4, T::kPlain,
                     TW_AT(levels.refresh_delay)));
  // MPEG page.
  AddMpegLayer(
      f, P::kMpegLayers12, "MPEG2", [](auto& s) -> auto& { return s.mpeg.layer12; });
  AddMpegLayer(
      f, P::kMpegLayer3, "MPEG3", [](auto& s) -> auto& { return s.mpeg.layer3; });
  // CDDA page.
  f.push_back(Text("CDDA.DEVICE", P::kCdda, G::kCdda, K::kText, 6073, 0, TW_AT(cdda.device)));
  f.push_back(Slider("CDDA.UNIT", P::kCdda, G::kCdda, 6074, 0, 0, 15, T::kPlain, TW_AT(cdda.unit)));
  f.push_back(
      Text("CDDA.CD_TITLES", P::kCdda, G::kCdda, K::kDrawer, 6075, 0, TW_AT(cdda.cd_titles)));
  f.push_back(Cycle("CDDA.METHOD", P::kCdda, G::kCdda, 6076, 0, kMethods, TW_AT(cdda.method)));
  f.back().names = kMethodNames;
  f.push_back(
      Flag("CDDA.NOTIFY_CHANGES", P::kCdda, G::kCdda, 6077, 5070, TW_AT(cdda.notify_changes)));
  return f;
}

#undef TW_AT

template <size_t N>
int32_t FirstNotBelow(const std::array<uint32_t, N>& table, uint32_t frequency) {
  const auto it = std::lower_bound(table.begin(), table.end(), frequency);
  return int32_t(it == table.end() ? N - 1 : size_t(it - table.begin()));
}

}  // namespace

std::span<const OptionsField> OptionsFields() {
  static const std::vector<OptionsField> fields = MakeFields();
  return fields;
}

const OptionsField* FindOptionsField(const std::string& key) {
  for (const OptionsField& field : OptionsFields())
    if (key == field.key) return &field;
  return nullptr;
}

std::span<const uint32_t> MixingTable() { return kMixingTable; }
std::span<const uint32_t> DecodingTable() { return kDecodingTable; }
int32_t MixingPosition(uint32_t frequency) { return FirstNotBelow(kMixingTable, frequency); }
int32_t DecodingPosition(uint32_t frequency) {
  return FirstNotBelow(kDecodingTable, frequency) * kPositionsPerDecodingValue;
}

std::string SliderValueText(const OptionsField& field, int32_t position) {
  char text[32];
  const int p = int(std::clamp(position, field.min, field.max));
  switch (field.slider_text) {
    case T::kSeconds:
      std::snprintf(text, sizeof text, "%d sec", p);
      break;
    case T::kKilobytes:
      std::snprintf(text, sizeof text, "%dK", p);
      break;
    case T::kTenths:
      std::snprintf(text, sizeof text, "%d.%1d s", p / 10, p % 10);
      break;
    case T::kMixingTable:
      std::snprintf(text, sizeof text, "%5dHz", int(kMixingTable[size_t(p)]));
      break;
    case T::kDecodingTable:
      std::snprintf(text, sizeof text, "%5dHz",
                    int(kDecodingTable[size_t(p / kPositionsPerDecodingValue)]));
      break;
    case T::kPlain:
      std::snprintf(text, sizeof text, "%d", p);
      break;
  }
  return text;
}

OptionsForm FillOptionsForm(const SettingsSnapshot& settings) {
  OptionsForm form;
  for (const OptionsField& field : OptionsFields()) form.push_back(field.fill(settings));
  return form;
}

std::vector<OptionsGroup> StoreChangedFields(const OptionsForm& before, const OptionsForm& after,
                                             const OutputModes& modes, SettingsSnapshot& settings) {
  std::vector<OptionsGroup> groups;
  const auto fields = OptionsFields();
  for (size_t i = 0; i < fields.size() && i < before.size() && i < after.size(); ++i) {
    if (before[i] == after[i]) continue;
    fields[i].store(settings, after[i], modes);
    if (std::find(groups.begin(), groups.end(), fields[i].group) == groups.end())
      groups.push_back(fields[i].group);
  }
  std::sort(groups.begin(), groups.end());
  return groups;
}

void ApplyOptionsGroups(const SettingsSnapshot& s, const std::vector<OptionsGroup>& groups) {
  for (OptionsGroup group : groups) {
    switch (group) {
      case G::kAudio:
        ApplyAudio(s.audio);
        break;
      case G::kMpeg:
        Mpeg().Apply(s.mpeg);
        break;
      case G::kKaraoke:
        Karaoke().Apply(s.karaoke);
        break;
      case G::kLevels:
        Levels().Apply(s.levels);
        break;
      case G::kMain:
        Main().Apply(s.main);
        break;
      case G::kAudioBase:
        AudioBase().Apply(s.audio_base);
        break;
      case G::kFile:
        File().Apply(s.file);
        break;
      case G::kCdda:
        Cdda().Apply(s.cdda);
        break;
    }
  }
}

void UseOptionsForm(const OptionsForm& before, const OptionsForm& after, const OutputModes& modes) {
  SettingsSnapshot settings = FetchAllGroups();
  ApplyOptionsGroups(settings, StoreChangedFields(before, after, modes, settings));
}

}  // namespace settings
