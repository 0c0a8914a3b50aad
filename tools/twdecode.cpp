// twdecode FILE [--seek SECONDS]: identifies FILE, plays it through its decoder
// exactly as the player task does (open, seek, decode 0.1 s blocks of at most
// 8192 frames) and writes the delivered samples to standard output: interleaved,
// signed, little-endian (8-bit as bytes, 16-bit as 16-bit words). The track's
// fields go to standard error. Exit status 0 when played, 1 on a usage error,
// 2 when the file is refused, 3 when the decoder cannot open it, 4 on a write error.
// The settings file's MPEG2, MPEG3 and FILE groups are applied (nothing else), so
// the samples are those the player would play.
// A stream that changes format while playing (a chained Ogg link of another rate
// or channel count) goes on in its new format, each part at its own rate, as the
// player plays it; standard error then gets one line per change, saying where in
// the output the new part begins:
//   link: byte OFFSET, RATE Hz, CHANNELS channels, BITS bits
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/PcmCodec.h"
#include "settings/SettingsFile.h"

namespace {

using decoders::TrackInfo;

constexpr int32_t kMaxFrames = 8192;
constexpr double kBlockSeconds = 0.1;

struct Options {
  std::string path;
  double seek_seconds = 0.0;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--seek" && i + 1 < argc) {
      char* end = nullptr;
      options->seek_seconds = std::strtod(argv[++i], &end);
      if (end == argv[i] || *end != '\0') return false;
    } else if (options->path.empty() && !word.starts_with("--")) {
      options->path = word;
    } else {
      return false;
    }
  }
  return !options->path.empty();
}

void PrintFields(const TrackInfo& track) {
  std::fprintf(stderr,
               "type: %s\nfrequency: %d\nbits: %d\nchannels: %d\nlength: %d\n"
               "title: %s\nartist: %s\nalbum: %s\ncomment: %s\ngenre: %s\nyear: %d\n",
               track.type_text, track.frequency, track.bits, track.stereo ? 2 : 1, track.length,
               track.title, track.artist, track.album, track.comment, track.genre, track.year);
}

int Play(TrackInfo* track, double seek_seconds) {
  if (!track->open || !track->decode || !track->open(track)) {
    std::fprintf(stderr, "twdecode: the decoder cannot open the file\n");
    return 3;
  }
  // Read after open: a decoder may correct the format it found while probing.
  PrintFields(*track);
  if (track->seek) track->seek(seek_seconds);
  std::vector<uint8_t> left(kMaxFrames * 2), right(kMaxFrames * 2), out;
  int status = 0;
  int64_t written = 0;
  bool changed = false;  // the last call reported a change: a second one in a row ends it
  for (;;) {
    const int32_t frames = track->decode(left.data(), right.data(), kMaxFrames, kBlockSeconds);
    if (frames == decoders::kDecodeFormatChanged && track->format && !changed) {
      track->format(track);
      std::fprintf(stderr, "link: byte %lld, %d Hz, %d channels, %d bits\n",
                   static_cast<long long>(written), track->frequency, track->stereo ? 2 : 1,
                   track->bits);
      changed = true;
      continue;
    }
    changed = false;
    if (frames <= 0) break;
    const auto count = static_cast<size_t>(std::min(frames, kMaxFrames));
    const int channels = track->stereo ? 2 : 1;
    out.resize(count * static_cast<size_t>(channels) * (track->bits == 16 ? 2 : 1));
    decoders::InterleaveLittleEndian(left.data(), right.data(), count, channels, track->bits,
                                     out.data());
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) {
      status = 4;
      break;
    }
    written += static_cast<int64_t>(out.size());
  }
  if (track->close) track->close();
  if (std::fflush(stdout) != 0) status = 4;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: twdecode FILE [--seek SECONDS]\n");
    return 1;
  }
  settings::Settings_LoadDecoding(settings::Settings_DefaultPath());
  if (!decoders::Decoders_Init()) {
    std::fprintf(stderr, "twdecode: the decoders could not start\n");
    return 1;
  }
  int status = 2;
  if (decoders::TrackPtr track = decoders::Decoder_Identify(options.path)) {
    status = Play(track.get(), options.seek_seconds);
  } else {
    std::fprintf(stderr, "twdecode: not a sound file: %s\n", options.path.c_str());
  }
  decoders::Decoders_Exit();
  return status;
}
