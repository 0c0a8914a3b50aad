// ReplayGain values as tags carry them, and the factor a song plays at.
//
// Texts come from Vorbis comments, ID3v2 TXXX frames and APEv2 items alike
// ("REPLAYGAIN_TRACK_GAIN" = "-4.37 dB"); Opus files give R128_TRACK_GAIN and
// R128_ALBUM_GAIN in Q7.8 dB relative to -23 LUFS, which is 5 dB below the
// ReplayGain reference. Values that are not finite numbers in a sane range are
// ignored, so hostile tags can neither mute nor blast a song.
#pragma once

#include <optional>
#include <string_view>

namespace decoders {

struct ReplayGainTags {
  // NaN: the tag does not give the value.
  float track_gain = __builtin_nanf("");  // dB
  float track_peak = __builtin_nanf("");  // linear, 1.0 = full scale
  float album_gain = __builtin_nanf("");
  float album_peak = __builtin_nanf("");
  // An R128 gain was read; REPLAYGAIN_* texts then do not replace it.
  bool track_from_r128 = false;
  bool album_from_r128 = false;
};

// Takes one key (any letter case) and its text; false when the key is not a gain
// or peak key. Unparsable or out-of-range texts are ignored (true, nothing kept).
bool ApplyReplayGainItem(std::string_view key, std::string_view value, ReplayGainTags* tags);

enum class ReplayGainMode { kOff = 0, kTrack = 1, kAlbum = 2 };
constexpr int kReplayGainPreampLimitDb = 15;

// "OFF", "TRACK" or "ALBUM" in any letter case; nullopt for any other word.
std::optional<ReplayGainMode> ParseReplayGainMode(std::string_view word);
// The upper-case word of a mode; a number outside 0..2 names OFF.
const char* ReplayGainModeName(int mode);

// The linear factor for the song: 1.0 exactly when off or the tags give no gain;
// otherwise 10^((gain + preamp)/20), lowered so peak * factor stays at or below
// full scale. Album mode falls back to the track's values.
double ReplayGainFactor(const ReplayGainTags& tags, ReplayGainMode mode, int preamp_db);

}  // namespace decoders
