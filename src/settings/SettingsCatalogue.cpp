#include "settings/SettingsCatalogue.h"

#include <utility>

#include "settings/SettingsGroups.h"

namespace settings {
namespace {

// The Visit functions walk every key in file order. Their records are const
// when writing a document and mutable when reading one; the visitor V supplies
// one operation per type: Flag, Number, Hex, Text and Pen.
template <typename Audio, typename V>
void VisitAudio(Audio& a, V& v) {
  constexpr const char* s = "AUDIO";
  v.Flag(s, "FILTER", a.filter);
  v.Flag(s, "EXPAND", a.expand);
  v.Flag(s, "BOOST", a.boost);
  v.Number(s, "VOLUME", a.volume);
  v.Number(s, "BALANCE", a.balance);
  v.Flag(s, "BASS_TREBLE", a.bass_treble);
  v.Number(s, "BASS", a.bass);
  v.Number(s, "TREBLE", a.treble);
  v.Number(s, "DEVICE", a.device);
  v.Hex(s, "MODE_ID", a.mode_id);
  v.Text(s, "MODE_NAME", a.mode_name);
  v.Number(s, "MIXING_MODE", a.mixing_mode);
  v.Number(s, "MIXING_FREQ", a.mixing_freq);
  v.Number(s, "LIMIT_FREQ", a.limit_freq);
  v.Number(s, "BUFFER_TIME", a.buffer_time);
  v.Number(s, "PRIORITY", a.priority);
  v.Number(s, "REPLAYGAIN", a.replaygain);
  v.Number(s, "REPLAYGAIN_PREAMP", a.replaygain_preamp);
}

template <typename Layer, typename V>
void VisitMpegLayer(const char* s, Layer& m, V& v) {
  v.Number(s, "MONO_FREQ_MAX", m.mono_freq_max);
  v.Number(s, "MONO_QUALITY", m.mono_quality);
  v.Number(s, "STEREO_FREQ_MAX", m.stereo_freq_max);
  v.Number(s, "STEREO_QUALITY", m.stereo_quality);
  v.Flag(s, "MONO_FORCED", m.mono_forced);
}

template <typename Karaoke, typename V>
void VisitKaraoke(Karaoke& k, V& v) {
  constexpr const char* s = "KARAOKE";
  v.Number(s, "ADVANCE_TIME", k.advance_time);
  v.Number(s, "LINES", k.lines);
  v.Flag(s, "WINDOW_OPENED", k.window_opened);
  v.Text(s, "PATH", k.path);
  v.Text(s, "FONT1", k.font1);
  v.Text(s, "FONT2", k.font2);
  v.Flag(s, "PATH_HAS_PRIORITY", k.path_has_priority);
  v.Flag(s, "IMAGE_DISPLAY", k.image_display);
  v.Flag(s, "FULL_SCREEN", k.full_screen);
  v.Text(s, "SCREEN_FONT", k.screen_font);
}

template <typename Levels, typename V>
void VisitLevels(Levels& l, V& v) {
  constexpr const char* s = "LEVELS";
  v.Number(s, "METER_TYPE", l.meter_type);
  v.Number(s, "GAUGE_TYPE", l.gauge_type);
  v.Number(s, "SPECTRUM_TYPE", l.spectrum_type);
  v.Flag(s, "CPU_USAGE", l.cpu_usage);
  v.Flag(s, "WINDOW_OPENED", l.window_opened);
  v.Number(s, "PRIORITY", l.priority);
  v.Number(s, "REFRESH_DELAY", l.refresh_delay);
  v.Pen(s, "METER_BACK_PEN", l.meter_back_pen);
  v.Pen(s, "METER_NEEDLE_PEN", l.meter_needle_pen);
  v.Pen(s, "METER_SCALE_PEN", l.meter_scale_pen);
  v.Pen(s, "GAUGE_BACK_PEN", l.gauge_back_pen);
  v.Pen(s, "GAUGE_BODY_PEN", l.gauge_body_pen);
  v.Pen(s, "GAUGE_TOP_PEN", l.gauge_top_pen);
  v.Pen(s, "SPECTRUM_BACK_PEN", l.spectrum_back_pen);
  v.Pen(s, "SPECTRUM_BODY_PEN", l.spectrum_body_pen);
  v.Pen(s, "SPECTRUM_TOP_PEN", l.spectrum_top_pen);
  v.Flag(s, "SIZEABLE_WINDOW", l.sizeable_window);
  v.Flag(s, "FIXED_LEVELS", l.fixed_levels);
}

template <typename Main, typename V>
void VisitDisplayAndButtons(Main& m, V& v) {
  constexpr const char* d = "DISPLAY";
  v.Flag(d, "FILE_LIST", m.file_list);
  v.Flag(d, "ARTIST_ALBUM", m.artist_album);
  v.Flag(d, "FILE_FORMAT", m.file_format);
  v.Flag(d, "FILE_COMMENT", m.file_comment);
  v.Flag(d, "VOLUME_BALANCE", m.volume_balance);
  v.Flag(d, "BASS_TREBLE", m.bass_treble);
  v.Flag(d, "TIME_SLIDER", m.time_slider);
  v.Flag(d, "SIZEABLE_WINDOW", m.sizeable_window);
  v.Flag(d, "PLAYLIST_WINDOW", m.playlist_window);
  v.Text(d, "LIST_PATTERN", m.list_pattern);
  constexpr const char* b = "BUTTONS";
  v.Flag(b, "SHRINK", m.shrink);
  v.Flag(b, "OPTIONS", m.options);
  v.Flag(b, "PREV_NEXT", m.prev_next);
  v.Flag(b, "BACK_FORWARD", m.back_forward);
  v.Flag(b, "PAUSE", m.pause);
  v.Flag(b, "FILTER", m.filter);
  v.Flag(b, "EXPAND", m.expand);
  v.Flag(b, "RECORD", m.record);
  v.Flag(b, "RANDOM", m.random_button);
  v.Flag(b, "INTRO", m.intro_button);
  v.Flag(b, "LOOP", m.loop_button);
  v.Flag(b, "CDDA", m.cdda);
}

template <typename Main, typename V>
void VisitMain(Main& m, V& v) {
  VisitDisplayAndButtons(m, v);
  constexpr const char* s = "MAIN";
  v.Number(s, "INTER_FILE", m.inter_file);
  v.Flag(s, "AUTO_PLAY", m.auto_play);
  v.Text(s, "FILE_DRAWER", m.file_drawer);
  v.Text(s, "FILE_PATTERN", m.file_pattern);
  v.Text(s, "PLAYLIST_PATTERN", m.playlist_pattern);
  v.Text(s, "INITIAL_FILE", m.initial_file);
  v.Flag(s, "RANDOM", m.random);
  v.Flag(s, "INTRO", m.intro);
  v.Number(s, "INTRO_DURATION", m.intro_duration);
  v.Flag(s, "LOOP", m.loop);
}

template <typename Snapshot, typename V>
void VisitCatalogue(Snapshot& snap, V& v) {
  VisitAudio(snap.audio, v);
  VisitMpegLayer("MPEG2", snap.mpeg.layer12, v);
  VisitMpegLayer("MPEG3", snap.mpeg.layer3, v);
  VisitKaraoke(snap.karaoke, v);
  VisitLevels(snap.levels, v);
  VisitMain(snap.main, v);
  v.Flag("AUDIO_BASE", "WINDOW_OPENED", snap.audio_base.window_opened);
  v.Text("AUDIO_BASE", "FILEPATH", snap.audio_base.filepath);
  v.Number("FILE", "BUFFER_SIZE", snap.file.buffer_size);
  v.Flag("FILE", "LOAD_IN_RAM", snap.file.load_in_ram);
  v.Flag("FILE", "USE_XPK", snap.file.use_xpk);
  v.Flag("FILE", "USE_ASYNCIO", snap.file.use_asyncio);
  v.Text("CDDA", "DEVICE", snap.cdda.device);
  v.Number("CDDA", "UNIT", snap.cdda.unit);
  v.Text("CDDA", "CD_TITLES", snap.cdda.cd_titles);
  v.Number("CDDA", "METHOD", snap.cdda.method);
  v.Flag("CDDA", "NOTIFY_CHANGES", snap.cdda.notify_changes);
}

struct CatalogueWriter {
  SettingsDocument& doc;
  void Flag(const char* s, const char* k, uint16_t value) { doc.SetFlag(s, k, value); }
  template <typename Int>
  void Number(const char* s, const char* k, Int value) {
    doc.SetNumber(s, k, static_cast<int32_t>(value));
  }
  void Hex(const char* s, const char* k, uint32_t value) { doc.SetHex(s, k, value); }
  void Text(const char* s, const char* k, const std::string& value) { doc.SetString(s, k, value); }
  void Pen(const char* s, const char* k, const settings::Pen& value) { doc.SetBlock(s, k, value); }
};

// The value as the user wrote it, without the blanks and carriage return a
// line may end in.
std::string Written(const std::string& value) {
  size_t end = value.size();
  while (end > 0 && IsSettingsSpace(value[end - 1])) --end;
  return "'" + value.substr(0, end) + "'";
}

struct CatalogueReader {
  const SettingsDocument& doc;
  std::vector<SettingsWarning>* warnings;

  // The entry of a number key when it holds one; a typo is reported and skipped.
  const SettingsEntry* NumberEntry(const char* s, const char* k) {
    const SettingsEntry* entry = doc.FindEntry(s, k);
    if (entry == nullptr || HoldsNumber(entry->value)) return entry;
    if (warnings) warnings->push_back({entry->line, k, Written(entry->value) + " is not a number"});
    return nullptr;
  }
  void Flag(const char* s, const char* k, uint16_t& value) { doc.GetFlag(s, k, value); }
  template <typename Int>
  void Number(const char* s, const char* k, Int& value) {
    if (NumberEntry(s, k)) doc.GetNumber(s, k, value);
  }
  void Hex(const char* s, const char* k, uint32_t& value) {
    if (NumberEntry(s, k)) doc.GetHex(s, k, value);
  }
  void Text(const char* s, const char* k, std::string& value) { doc.GetString(s, k, value); }
  void Pen(const char* s, const char* k, settings::Pen& value) { doc.GetBlock(s, k, value); }
};

// Walks the clamped snapshot: a number the ranges changed is reported with the
// value as written and the value used instead.
struct RangeReporter {
  const SettingsDocument& doc;
  std::vector<SettingsWarning>& warnings;

  void Flag(const char*, const char*, const uint16_t&) {}
  template <typename Int>
  void Number(const char* s, const char* k, const Int& used) {
    const SettingsEntry* entry = doc.FindEntry(s, k);
    Int read{};
    if (entry == nullptr || !HoldsNumber(entry->value) || !doc.GetNumber(s, k, read) ||
        read == used)
      return;
    warnings.push_back({entry->line, k,
                        Written(entry->value) + " is out of range, " +
                            std::to_string(static_cast<int64_t>(used)) + " is used"});
  }
  void Hex(const char*, const char*, const uint32_t&) {}
  void Text(const char*, const char*, const std::string&) {}
  void Pen(const char*, const char*, const settings::Pen&) {}
};

}  // namespace

SettingsSnapshot FetchAllGroups() {
  return SettingsSnapshot{Audio(),        Mpeg().Fetch(),      Karaoke().Fetch(), Levels().Fetch(),
                          Main().Fetch(), AudioBase().Fetch(), File().Fetch(),    Cdda().Fetch()};
}

void ApplyAllGroups(const SettingsSnapshot& snapshot) {
  ApplyAudio(snapshot.audio);
  Mpeg().Apply(snapshot.mpeg);
  Karaoke().Apply(snapshot.karaoke);
  Levels().Apply(snapshot.levels);
  Main().Apply(snapshot.main);
  AudioBase().Apply(snapshot.audio_base);
  File().Apply(snapshot.file);
  Cdda().Apply(snapshot.cdda);
}

void WriteCatalogue(const SettingsSnapshot& snapshot, SettingsDocument& document) {
  CatalogueWriter writer{document};
  VisitCatalogue(snapshot, writer);
}

void ReadCatalogue(const SettingsDocument& document, SettingsSnapshot& snapshot,
                   std::vector<SettingsWarning>* warnings) {
  CatalogueReader reader{document, warnings};
  VisitCatalogue(snapshot, reader);
}

void ClampCatalogue(const SettingsDocument& document, SettingsSnapshot& snapshot,
                    std::vector<SettingsWarning>* warnings) {
  ClampToRanges(snapshot.audio);
  ClampToRanges(snapshot.mpeg);
  ClampToRanges(snapshot.karaoke);
  ClampToRanges(snapshot.levels);
  ClampToRanges(snapshot.main);
  ClampToRanges(snapshot.audio_base);
  ClampToRanges(snapshot.file);
  ClampToRanges(snapshot.cdda);
  if (warnings == nullptr) return;
  RangeReporter reporter{document, *warnings};
  VisitCatalogue(std::as_const(snapshot), reporter);
}

}  // namespace settings
