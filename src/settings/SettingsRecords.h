// The plain records of every settings group, with their built-in defaults.
// Each record belongs to the module that consumes it; they are declared here,
// in one place, so the loader, the saver and the options window see them all
// without depending on the modules.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace settings {

using Pen = std::array<uint8_t, 32>;  // colour description; all zero = empty

// AUDIO: global values of the audio engine, written directly by the loader.
struct AudioSettings {
  uint16_t filter = 0;                  // FILTER
  uint16_t expand = 0;                  // EXPAND
  uint16_t boost = 0;                   // BOOST (stored only)
  uint16_t freq_conversion_active = 1;  // no key; legacy record only
  int32_t volume = 64;                  // VOLUME, 64 = unity, 0..256
  int32_t balance = 0;                  // BALANCE, -64..64
  uint16_t bass_treble = 0;             // BASS_TREBLE
  int32_t bass = 0;                     // BASS, dB
  int32_t treble = 0;                   // TREBLE, dB
  uint32_t device = 0;                  // DEVICE
  uint32_t mode_id = 0;                 // MODE_ID
  std::string mode_name;                // MODE_NAME: on Linux the ALSA PCM device name
  uint32_t mixing_mode = 0;             // MIXING_MODE 0 off, 1 on, 2 auto
  uint32_t mixing_freq = 28000;         // MIXING_FREQ
  uint32_t limit_freq = 11025;          // LIMIT_FREQ
  uint32_t buffer_time = 500;           // BUFFER_TIME, ms
  int8_t priority = 9;                  // PRIORITY
  int32_t replaygain = 0;               // REPLAYGAIN 0 off, 1 track, 2 album
  int32_t replaygain_preamp = 0;        // REPLAYGAIN_PREAMP, dB, -15..15
};

// MPEG2 (layers I and II) and MPEG3 (layer III). The frequency limits default
// to 48000: the output is resampled to the device's rate anyway, and a lower
// default would halve every 48 kHz stream (nothing above 12 kHz left).
struct MpegLayerSettings {
  uint32_t mono_freq_max = 48000;
  uint32_t mono_quality = 2;
  uint32_t stereo_freq_max = 48000;
  uint32_t stereo_quality = 2;
  uint16_t mono_forced = 0;
};
struct MpegSettings {
  MpegLayerSettings layer12;  // section MPEG2
  MpegLayerSettings layer3;   // section MPEG3
};

struct KaraokeSettings {
  int32_t advance_time = 500;  // ms
  uint16_t lines = 1;
  uint16_t window_opened = 0;
  std::string path;
  std::string font1;
  std::string font2;
  uint16_t path_has_priority = 0;
  uint16_t image_display = 0;
  uint16_t full_screen = 0;
  std::string screen_font;
};

struct LevelsSettings {
  uint16_t meter_type = 0;
  uint16_t gauge_type = 1;
  uint16_t spectrum_type = 0;
  uint16_t cpu_usage = 0;
  uint16_t window_opened = 0;
  int8_t priority = -1;
  int32_t refresh_delay = 1;  // 1..4
  Pen meter_back_pen{}, meter_needle_pen{}, meter_scale_pen{};
  Pen gauge_back_pen{}, gauge_body_pen{}, gauge_top_pen{};
  Pen spectrum_back_pen{}, spectrum_body_pen{}, spectrum_top_pen{};
  uint16_t sizeable_window = 1;
  uint16_t fixed_levels = 0;
};

// DISPLAY, BUTTONS and MAIN: one group, applied once after MAIN.
struct MainSettings {
  // DISPLAY
  uint16_t file_list = 1, artist_album = 1, file_format = 1, file_comment = 1;
  uint16_t volume_balance = 1, bass_treble = 1, time_slider = 1, sizeable_window = 1;
  uint16_t playlist_window = 0;
  std::string list_pattern = "%A - %a %t";
  // BUTTONS
  uint16_t shrink = 1, options = 1, prev_next = 1, back_forward = 1, pause = 1, filter = 1;
  uint16_t expand = 1, record = 1, random_button = 1, intro_button = 1, loop_button = 1, cdda = 1;
  // MAIN
  int32_t inter_file = 0;  // seconds, 0..5
  uint16_t auto_play = 1;
  std::string file_drawer;
  std::string file_pattern = "#?";
  std::string playlist_pattern = "#?.plst";
  std::string initial_file;
  uint16_t random = 0;
  uint16_t intro = 0;
  int32_t intro_duration = 10;  // seconds, 1..60
  uint16_t loop = 0;
};

struct AudioBaseSettings {
  uint16_t window_opened = 0;
  std::string filepath = "PROGDIR:Tunewright.aub";
};

// FILE: the file layer's settings block.
struct FileSettings {
  uint32_t buffer_size = 32;  // kilobytes
  uint16_t load_in_ram = 0;
  uint16_t use_xpk = 0;      // stored only
  uint16_t use_asyncio = 1;  // on Linux: our read-ahead thread
};

struct CddaSettings {
  std::string device = "ide.device";  // a value that is not a path means /dev/sr0
  int32_t unit = 1;
  std::string cd_titles;  // empty: the user data folder
  int32_t method = 0;
  uint16_t notify_changes = 0;
};

}  // namespace settings
