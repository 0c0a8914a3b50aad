// ReplayGain as the listener hears it: songs tagged by the usual tools, played by
// the program into the file sink, their level measured on what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "support/TestSupport.h"

using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

std::vector<int16_t> Samples(const std::string& path) {
  const std::string raw =
      testsupport::Run("sox " + ShellQuote(path) + " -t s16 -L - 2>/dev/null").out;
  std::vector<int16_t> samples(raw.size() / 2);
  std::memcpy(samples.data(), raw.data(), samples.size() * 2);
  return samples;
}

double RmsDb(const std::vector<int16_t>& samples) {
  double sum = 0;
  for (const int16_t s : samples) sum += double(s) * s;
  return 10.0 * std::log10(sum / std::max<size_t>(samples.size(), 1));
}

// Plays song with the extra words and settings; the samples the sink received.
class Render {
 public:
  explicit Render(const TempDir& dir) : dir_(dir) {
    std::filesystem::create_directories(dir.File("home"));
  }
  std::vector<int16_t> operator()(const std::string& song, const std::string& words,
                                  const std::string& settings = "") const {
    testsupport::WriteTextFile(dir_.File("home/Tunewright.cfg"), "[AUDIO]\n" + settings);
    const std::string out = dir_.File("out.wav");
    const auto result = testsupport::Run("TUNEWRIGHT_HOME=" + ShellQuote(dir_.File("home")) +
                                         " TUNEWRIGHT_OUTPUT=file:" + ShellQuote(out) + " " +
                                         testsupport::BuiltProgram("tunewright") + " V=0 " + words +
                                         " " + ShellQuote(song) + " 2>&1");
    EXPECT_EQ(result.exit_code, 0) << result.out;
    return Samples(out);
  }

 private:
  const TempDir& dir_;
};

std::string Tone(const TempDir& dir, const std::string& name, double amplitude) {
  const std::string path = dir.File(name);
  EXPECT_EQ(testsupport::Run("sox -n -b 16 -r 44100 -c 2 " + ShellQuote(path) +
                             " synth 1 sine 441 vol " + std::to_string(amplitude))
                .exit_code,
            0);
  return path;
}

void TagFlac(const std::string& path, std::initializer_list<std::string> tags) {
  std::string words;
  for (const std::string& tag : tags) words += " " + ShellQuote("--set-tag=" + tag);
  ASSERT_EQ(testsupport::Run("metaflac" + words + " " + ShellQuote(path)).exit_code, 0);
}

}  // namespace

TEST(ReplayGain, TaggedGainsPlayAtTheirLevelWithoutClippingAndOffChangesNothing) {
  TW_REQUIRE_TOOLS("sox", "metaflac", "lame", "opusenc", "/usr/bin/python3");
  TempDir dir;
  const Render render(dir);
  const std::string both = Tone(dir, "both.flac", 0.5);
  TagFlac(both, {"REPLAYGAIN_TRACK_GAIN=-4.37 dB", "REPLAYGAIN_TRACK_PEAK=0.5",
                 "REPLAYGAIN_ALBUM_GAIN=-7.5 dB", "REPLAYGAIN_ALBUM_PEAK=0.5"});
  const std::vector<int16_t> off = render(both, "");
  // Off is the song's own samples, and the switch spelt out gives the same.
  EXPECT_EQ(off, Samples(both));
  EXPECT_EQ(render(both, "RG=off"), off);
  const double level = RmsDb(off);
  EXPECT_NEAR(RmsDb(render(both, "RG=TRACK")) - level, -4.37, 0.1);
  EXPECT_NEAR(RmsDb(render(both, "RG=Album")) - level, -7.5, 0.1);
  EXPECT_NEAR(RmsDb(render(both, "", "REPLAYGAIN=1\nREPLAYGAIN_PREAMP=3\n")) - level, -1.37, 0.1);

  // A song without an album gain plays at its track gain in album mode.
  const std::string track_only = Tone(dir, "track.flac", 0.5);
  TagFlac(track_only, {"REPLAYGAIN_TRACK_GAIN=-3 dB"});
  EXPECT_NEAR(RmsDb(render(track_only, "RG=ALBUM")) - level, -3.0, 0.1);

  // +10 dB on a peak of 0.9 is held to what the peak allows.
  const std::string loud = Tone(dir, "loud.flac", 0.9);
  TagFlac(loud, {"REPLAYGAIN_TRACK_GAIN=+10.00 dB", "REPLAYGAIN_TRACK_PEAK=0.9"});
  const std::vector<int16_t> limited = render(loud, "RG=TRACK");
  const std::vector<int16_t> source = Samples(loud);
  ASSERT_EQ(limited.size(), source.size());
  // Every sample is the source's raised by 1/0.9: no top was flattened.
  for (size_t i = 0; i < source.size(); ++i)
    ASSERT_NEAR(limited[i], source[i] / 0.9, 3) << "sample " << i;

  // An MP3's ID3v2 TXXX gain, and an Opus R128 gain (-9 dB at -23 LUFS is -4 dB).
  const std::string wave = Tone(dir, "tone.wav", 0.5);
  const std::string mp3 = dir.File("song.mp3");
  ASSERT_EQ(testsupport::Run("lame --silent -b 128 " + ShellQuote(wave) + " " + ShellQuote(mp3))
                .exit_code,
            0);
  ASSERT_EQ(testsupport::Run("/usr/bin/python3 " +
                             ShellQuote(TW_TEST_SOURCE_DIR "/tests/support/tagmp3.py") + " " +
                             ShellQuote(mp3) + " id3 4 utf8 " +
                             ShellQuote("TXXX:replaygain_track_gain=-4.37 dB"))
                .exit_code,
            0);
  EXPECT_NEAR(RmsDb(render(mp3, "RG=TRACK")) - RmsDb(render(mp3, "RG=OFF")), -4.37, 0.1);
  const std::string opus = dir.File("song.opus");
  ASSERT_EQ(testsupport::Run("opusenc --quiet --comment R128_TRACK_GAIN=-2304 " + ShellQuote(wave) +
                             " " + ShellQuote(opus))
                .exit_code,
            0);
  EXPECT_NEAR(RmsDb(render(opus, "RG=TRACK")) - RmsDb(render(opus, "")), -4.0, 0.1);
}
