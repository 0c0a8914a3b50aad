#include "decoders/ReplayGain.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/AsciiCase.h"

namespace decoders {
namespace {

// Gains beyond this are nonsense (and would overflow the mix); peaks beyond it too.
constexpr double kGainLimitDb = 64.0;
constexpr double kPeakLimit = 1000.0;
constexpr double kR128ToReplayGainDb = 5.0;

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

// A decimal number at the start of text ("-4.37 dB", "+1.5", "0.98"); NaN when
// there is none or it is not finite.
double LeadingNumber(std::string_view text) {
  text = TrimLeft(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars would take "inf" and "nan"; only digits and a point are numbers here.
  if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
    return std::nan("");
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || !std::isfinite(value)) return std::nan("");
  return negative ? -value : value;
}

// The whole text as a Q7.8 number (R128 gains are plain decimal integers).
double R128Gain(std::string_view text) {
  text = TrimLeft(text);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < INT16_MIN ||
      value > INT16_MAX)
    return std::nan("");
  return value / 256.0 + kR128ToReplayGainDb;
}

void KeepGain(double gain, float* into) {
  if (std::isfinite(gain) && std::fabs(gain) <= kGainLimitDb) *into = static_cast<float>(gain);
}

void KeepPeak(double peak, float* into) {
  if (std::isfinite(peak) && peak > 0.0 && peak <= kPeakLimit) *into = static_cast<float>(peak);
}

}  // namespace

bool ApplyReplayGainItem(std::string_view key, std::string_view value, ReplayGainTags* tags) {
  if (platform::EqualsNoCase(key, "REPLAYGAIN_TRACK_GAIN")) {
    if (!tags->track_from_r128) KeepGain(LeadingNumber(value), &tags->track_gain);
  } else if (platform::EqualsNoCase(key, "REPLAYGAIN_ALBUM_GAIN")) {
    if (!tags->album_from_r128) KeepGain(LeadingNumber(value), &tags->album_gain);
  } else if (platform::EqualsNoCase(key, "REPLAYGAIN_TRACK_PEAK")) {
    KeepPeak(LeadingNumber(value), &tags->track_peak);
  } else if (platform::EqualsNoCase(key, "REPLAYGAIN_ALBUM_PEAK")) {
    KeepPeak(LeadingNumber(value), &tags->album_peak);
  } else if (platform::EqualsNoCase(key, "R128_TRACK_GAIN")) {
    const double gain = R128Gain(value);
    if (std::isfinite(gain))
      tags->track_gain = static_cast<float>(gain), tags->track_from_r128 = true;
  } else if (platform::EqualsNoCase(key, "R128_ALBUM_GAIN")) {
    const double gain = R128Gain(value);
    if (std::isfinite(gain))
      tags->album_gain = static_cast<float>(gain), tags->album_from_r128 = true;
  } else {
    return false;
  }
  return true;
}

std::optional<ReplayGainMode> ParseReplayGainMode(std::string_view word) {
  for (const ReplayGainMode mode :
       {ReplayGainMode::kOff, ReplayGainMode::kTrack, ReplayGainMode::kAlbum}) {
    if (platform::EqualsNoCase(word, ReplayGainModeName(static_cast<int>(mode)))) return mode;
  }
  return std::nullopt;
}

const char* ReplayGainModeName(int mode) {
  return mode == 1 ? "TRACK" : mode == 2 ? "ALBUM" : "OFF";
}

double ReplayGainFactor(const ReplayGainTags& tags, ReplayGainMode mode, int preamp_db) {
  if (mode == ReplayGainMode::kOff) return 1.0;
  float gain = tags.track_gain;
  float peak = tags.track_peak;
  if (mode == ReplayGainMode::kAlbum && !std::isnan(tags.album_gain)) {
    gain = tags.album_gain;
    peak = std::isnan(tags.album_peak) ? tags.track_peak : tags.album_peak;
  }
  if (std::isnan(gain)) return 1.0;
  if (preamp_db < -kReplayGainPreampLimitDb) preamp_db = -kReplayGainPreampLimitDb;
  if (preamp_db > kReplayGainPreampLimitDb) preamp_db = kReplayGainPreampLimitDb;
  double factor = std::pow(10.0, (double(gain) + preamp_db) / 20.0);
  if (!std::isnan(peak) && factor * peak > 1.0) factor = 1.0 / peak;
  return factor;
}

}  // namespace decoders
