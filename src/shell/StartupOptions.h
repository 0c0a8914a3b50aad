// The start-up options: the command-line template, how each option changes the
// audio settings for this run, and the choice between the windowed and the
// command-line run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/SettingsRecords.h"

namespace shell {

inline constexpr const char* kStartupTemplate =
    "Name/M,V=Verbosity/N,AHI=AHIMode/K,MIX=Mixing/N,BUFF=Buffer/N,EXP=Expand/N,VOL=Volume/N,"
    "BAL=Balance/N,B=Bass/N,T=Treble/N,Filter/N,GUI/S,ICONIFIED/S,RG=ReplayGain/K";

// One line per template item, in template order, for "--help".
inline constexpr const char* kStartupOptionLines[] = {
    "NAME...      sound files, folders, playlists, CD drives or CUE sheets to play",
    "V=n          verbosity; 0 prints no song lines",
    "AHI=hex      output mode identifier (kept in the settings)",
    "MIX=Hz       convert every song to this frequency (4000..48000; 0 switches conversion off)",
    "BUFF=ms      decoded audio kept ahead, 50..10000 ms",
    "EXP=n        stereo expand (0 off)",
    "VOL=n        volume, 64 is unity, up to 256 (gain with clipping)",
    "BAL=n        balance -64 (left) to 64 (right)",
    "B=dB         bass shelf, switches tone control on",
    "T=dB         treble shelf, switches tone control on",
    "FILTER=n     filter switch",
    "GUI          open the window (also without any words)",
    "ICONIFIED    open the window iconified",
    "RG=mode      ReplayGain: OFF, TRACK or ALBUM",
};

struct StartupOptions {
  std::vector<std::string> names;
  int32_t verbosity = 1;
  bool windowed = false;
  bool iconified = false;
};

// Parses the words after the program name and applies the options to audio in
// their fixed order, with their clamps. Nullopt when the words do not match the
// template, or when there are no names and neither GUI nor ICONIFIED, or for an
// RG= word other than OFF, TRACK and ALBUM: the caller then prints the usage
// text. No words at all is the windowed run.
std::optional<StartupOptions> ParseStartupOptions(const std::vector<std::string>& words,
                                                  settings::AudioSettings& audio);

}  // namespace shell
