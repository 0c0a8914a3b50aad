// The MPEG module against mpg123 (the same library driven by its own program):
// identical samples, right descriptions, the settings' down-sampling and mono.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "MpegOggSupport.h"
#include "settings/SettingsGroups.h"

namespace {

using decoders::kMpegDecoder;
using mpegogg::MakeSource;
using mpegogg::PlayAll;
using mpegogg::ProbeWith;
using mpegogg::RunOk;
using testsupport::ShellQuote;
using testsupport::TempDir;

class MpegDecoder : public ::testing::Test {
 protected:
  void SetUp() override {
    TW_REQUIRE_TOOLS("sox");
    settings::Mpeg().Reset();
    source_ = MakeSource(dir_, "source.wav", 44100, 2, 3.3);
  }
  void TearDown() override { settings::Mpeg().Reset(); }

  std::string Encode(const std::string& name, const std::string& tool_and_options) {
    const std::string path = dir_.File(name);
    RunOk(tool_and_options + " " + ShellQuote(source_) + " " + ShellQuote(path) +
          " >/dev/null 2>&1");
    return path;
  }
  static std::string Reference(const std::string& path, const std::string& options = "") {
    return RunOk("mpg123 -q -s " + options + " " + ShellQuote(path) + " 2>/dev/null");
  }

  TempDir dir_;
  std::string source_;
};

struct Expected {
  const char* encoder;
  const char* type_text;
  const char* mode_text;
  int frequency;
  int stereo;
};

TEST_F(MpegDecoder, LameAndLayerTwoFilesDecodeLikeMpg123WithTheirDescriptions) {
  TW_REQUIRE_TOOLS("lame", "mpg123", "twolame");
  const Expected cases[] = {
      {"lame -b 128 -m j", "MPEG1-III 128kbps", "J-Stereo", 44100, 1},
      {"lame -b 160 -m s", "MPEG1-III 160kbps", "Stereo", 44100, 1},
      {"lame -b 128 -m d", "MPEG1-III 128kbps", "Dual", 44100, 1},
      {"lame -b 64 -m m", "MPEG1-III 64kbps", "Mono", 44100, 0},
      {"lame -b 128 -c", "MPEG1-III 128kbps \u00A9", "J-Stereo", 44100, 1},
      {"lame -b 64 --resample 22.05", "MPEG2-III 64kbps", "J-Stereo", 22050, 1},
      {"lame -b 16 -m m --resample 8", "MPEG2.5-III 16kbps", "Mono", 8000, 0},
      {"lame -b 24 --resample 8", "MPEG2.5-III 24kbps", "J-Stereo", 8000, 1},
      {"twolame -b 192 -m s", "MPEG1-II 192kbps", "Stereo", 44100, 1},
      {"lame -b 112 --add-id3v2 --tt Front", "MPEG1-III 112kbps", "J-Stereo", 44100, 1},
  };
  int index = 0;
  for (const Expected& expected : cases) {
    SCOPED_TRACE(expected.encoder);
    const std::string path = Encode("f" + std::to_string(index++) + ".mp3", expected.encoder);
    decoders::TrackPtr track = ProbeWith(kMpegDecoder, path);
    ASSERT_TRUE(track);
    EXPECT_STREQ(track->type_text, expected.type_text);
    EXPECT_STREQ(track->mode_text, expected.mode_text);
    EXPECT_EQ(track->frequency, expected.frequency);
    EXPECT_EQ(track->stereo, expected.stereo);
    EXPECT_EQ(track->bits, 16);
    EXPECT_EQ(track->format_tag, decoders::kTagMpeg);
    // The stream is 3.3 s long; the length is the library's estimate (exact only
    // with an encoder's info frame), so allow some frames of padding.
    EXPECT_NEAR(track->length, 3.3 * expected.frequency, 0.2 * expected.frequency);
    const std::string ours = PlayAll(track.get());
    const std::string theirs = Reference(path);
    EXPECT_GT(ours.size(), 0u);
    EXPECT_TRUE(ours == theirs) << ours.size() << " bytes against " << theirs.size();
  }
}

TEST_F(MpegDecoder, FfmpegLayerTwoDecodesLikeMpg123) {
  TW_REQUIRE_TOOLS("ffmpeg", "mpg123");
  const std::string path = dir_.File("ff.mp2");
  RunOk("ffmpeg -v error -i " + ShellQuote(source_) + " -c:a mp2 -b:a 128k " + ShellQuote(path));
  decoders::TrackPtr track = ProbeWith(kMpegDecoder, path);
  ASSERT_TRUE(track);
  EXPECT_STREQ(track->type_text, "MPEG1-II 128kbps");
  EXPECT_TRUE(PlayAll(track.get()) == Reference(path));
}

TEST_F(MpegDecoder, FrequencyLimitsAndForcedMonoMatchMpg123Options) {
  TW_REQUIRE_TOOLS("lame", "mpg123", "twolame");
  const std::string layer3 = Encode("l3.mp3", "lame -b 128");
  const std::string layer2 = Encode("l2.mp2", "twolame -b 192");
  struct Case {
    uint32_t stereo_limit;
    uint16_t mono_forced;
    const char* mpg123_options;
    int frequency;
    int stereo;
  };
  const Case cases[] = {
      {22050, 0, "-2", 22050, 1},
      {11025, 0, "-4", 11025, 1},
      {8000, 0, "-4", 11025, 1},  // a quarter is the lowest the library goes
      {44100, 1, "-m", 44100, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mpg123_options);
    settings::MpegSettings block;
    block.layer3.stereo_freq_max = c.stereo_limit;
    block.layer3.mono_forced = c.mono_forced;
    settings::Mpeg().Apply(block);
    decoders::TrackPtr track = ProbeWith(kMpegDecoder, layer3);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->frequency, c.frequency);
    EXPECT_EQ(track->stereo, c.stereo);
    EXPECT_TRUE(PlayAll(track.get()) == Reference(layer3, c.mpg123_options));
    // The layer III half leaves layer II streams alone.
    decoders::TrackPtr other = ProbeWith(kMpegDecoder, layer2);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->frequency, 44100);
    EXPECT_EQ(other->stereo, 1);
  }
  // Limits of 4000 and 5512 Hz are settings a user may choose, but the library
  // cannot halve 8 kHz: such a stream plays at the lowest rate it can deliver.
  const struct {
    const char* encoder;
    uint32_t mono_limit;
    const char* mpg123_options;
    int frequency;
  } low_rates[] = {
      {"lame -b 16 -m m --resample 8", 4000, "", 8000},
      {"lame -b 16 -m m --resample 11.025", 5512, "", 11025},
      {"lame -b 32 -m m --resample 22.05", 4000, "-2", 11025},
      {"lame -b 32 -m m --resample 16", 4000, "-2", 8000},
  };
  int index = 0;
  for (const auto& c : low_rates) {
    SCOPED_TRACE(c.encoder);
    settings::MpegSettings limit;
    limit.layer3.mono_freq_max = c.mono_limit;
    settings::Mpeg().Apply(limit);
    const std::string path = Encode("low" + std::to_string(index++) + ".mp3", c.encoder);
    decoders::TrackPtr track = ProbeWith(kMpegDecoder, path);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->frequency, c.frequency);
    const std::string ours = PlayAll(track.get());
    EXPECT_GT(ours.size(), 0u);
    EXPECT_TRUE(ours == Reference(path, c.mpg123_options));
  }

  settings::MpegSettings block;
  block.layer12.mono_forced = 1;
  block.layer12.mono_freq_max = 22050;
  settings::Mpeg().Apply(block);
  decoders::TrackPtr track = ProbeWith(kMpegDecoder, layer2);
  ASSERT_TRUE(track);
  EXPECT_EQ(track->stereo, 0);
  EXPECT_EQ(track->frequency, 22050);
  EXPECT_TRUE(PlayAll(track.get()) == Reference(layer2, "-m -2"));
}

TEST_F(MpegDecoder, SeekClampsAnyTargetAndOpenReportsTheRealFrequency) {
  TW_REQUIRE_TOOLS("lame");
  const std::string path = Encode("seek.mp3", "lame -b 128");
  decoders::TrackPtr track = ProbeWith(kMpegDecoder, path);
  ASSERT_TRUE(track);
  ASSERT_EQ(track->open(track.get()), 1);
  const double end = static_cast<double>(track->length) / track->frequency;
  EXPECT_NEAR(track->seek(1.5), 1.5, 0.03);
  EXPECT_NEAR(track->position(), 1.5, 0.03);
  EXPECT_EQ(track->seek(-7.0), 0.0);
  EXPECT_EQ(track->seek(std::nan("")), 0.0);
  EXPECT_LE(track->seek(1e300), end + 0.03);
  EXPECT_LE(track->seek(-1e300), 0.0);
  // After a seek past the end, the stream ends at once, without a hang.
  track->seek(1e300);
  std::vector<int16_t> left(8192), right(8192);
  int blocks = 0;
  while (track->decode(left.data(), right.data(), 8192, 0.1) > 0 && blocks < 10) ++blocks;
  EXPECT_LT(blocks, 10);
  track->close();
  EXPECT_EQ(track->position(), 0.0);
  EXPECT_EQ(track->seek(1.0), 0.0);

  // open() corrects the caller's format when the settings changed since the probe.
  settings::MpegSettings block;
  block.layer3.stereo_freq_max = 22050;
  block.layer3.mono_forced = 1;
  block.layer3.mono_freq_max = 22050;
  settings::Mpeg().Apply(block);
  ASSERT_EQ(track->stereo, 1);
  ASSERT_EQ(track->open(track.get()), 1);
  EXPECT_EQ(track->frequency, 22050);
  EXPECT_EQ(track->stereo, 0);
  track->close();
  track->format_tag = 0;
  EXPECT_EQ(track->open(track.get()), 0);
}

TEST_F(MpegDecoder, TagWrittenByLameFillsTheTrack) {
  TW_REQUIRE_TOOLS("lame", "mpg123");
  const std::string path =
      Encode("tagged.mp3",
             "lame -b 128 --id3v1-only --tt 'A Song' --ta 'Some Artist' --tl 'The Album' "
             "--ty 1999 --tc 'Said this' --tg Rock --tn 7");
  decoders::TrackPtr track = ProbeWith(kMpegDecoder, path);
  ASSERT_TRUE(track);
  EXPECT_STREQ(track->title, "A Song");
  EXPECT_STREQ(track->artist, "Some Artist");
  EXPECT_STREQ(track->album, "The Album");
  EXPECT_STREQ(track->comment, "Said this");
  EXPECT_STREQ(track->genre, "Rock");
  EXPECT_EQ(track->year, 1999);
  // The tag is not sound: the samples still equal mpg123's.
  EXPECT_TRUE(PlayAll(track.get()) == Reference(path));
}

TEST_F(MpegDecoder, IffFilesAreNeverOfferedToTheLibrary) {
  TW_REQUIRE_TOOLS("lame");
  const std::string path = Encode("plain.mp3", "lame -b 128");
  std::vector<uint8_t> bytes = testsupport::ReadBinaryFile(path);
  std::memcpy(bytes.data(), "FORM", 4);
  const std::string renamed = dir_.File("form.mp3");
  testsupport::WriteBinaryFile(renamed, bytes);
  EXPECT_FALSE(ProbeWith(kMpegDecoder, renamed));
}

}  // namespace
