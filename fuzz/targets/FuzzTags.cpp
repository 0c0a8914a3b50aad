// Reads arbitrary bytes as an MP3 file's ID3v2 and APEv2 tags: the fields must
// come out NUL-terminated within their widths, never cut inside a character, and every gain they
// give must make a finite factor that the peak keeps from clipping. The input is also split at its
// first '=' into a ReplayGain key and text.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "FuzzInput.h"
#include "decoders/MpegTags.h"
#include "decoders/ReplayGain.h"
#include "platform/Utf8.h"

namespace {

template <size_t N>
void CheckField(const char (&field)[N]) {
  const size_t length = ::strnlen(field, N);
  if (length == N || platform::Utf8Prefix(std::string_view(field, length), N).size() != length)
    std::abort();
}

void CheckGains(const decoders::ReplayGainTags& gains) {
  for (const auto mode : {decoders::ReplayGainMode::kTrack, decoders::ReplayGainMode::kAlbum}) {
    for (const int preamp : {-15, 0, 15}) {
      const double factor = decoders::ReplayGainFactor(gains, mode, preamp);
      if (!std::isfinite(factor) || factor < 0 || factor > 10000) std::abort();
    }
  }
}

}  // namespace

int FuzzTags(const uint8_t* data, size_t size) {
  const fuzz::InputFile input(data, size, ".mp3");
  decoders::TrackInfo track;
  decoders::ReadMpegTags(input.path(), &track);
  CheckField(track.title);
  CheckField(track.artist);
  CheckField(track.album);
  CheckField(track.comment);
  CheckField(track.genre);
  CheckGains(track.replay_gain);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t equals = text.find('=');
  decoders::ReplayGainTags gains;
  if (equals != std::string_view::npos)
    decoders::ApplyReplayGainItem(text.substr(0, equals), text.substr(equals + 1), &gains);
  CheckGains(gains);
  return 0;
}

TW_FUZZ_ENTRY(FuzzTags)
