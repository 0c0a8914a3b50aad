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
    "BAL=Balance/N,B=Bass/N,T=Treble/N,Filter/N,GUI/S,ICONIFIED/S";

struct StartupOptions {
  std::vector<std::string> names;
  int32_t verbosity = 1;
  bool windowed = false;
  bool iconified = false;
};

// Parses the words after the program name and applies the options to audio in
// their fixed order, with their clamps. Nullopt when the words do not match the
// template, or when there are no names and neither GUI nor ICONIFIED: the
// caller then prints the usage text. No words at all is the windowed run.
std::optional<StartupOptions> ParseStartupOptions(const std::vector<std::string>& words,
                                                  settings::AudioSettings& audio);

}  // namespace shell
