// The Ogg Vorbis module against oggdec (the same library driven by its own
// program): identical samples to the very end, comments from every encoder.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "MpegOggSupport.h"

namespace {

using decoders::kOggDecoder;
using mpegogg::MakeSource;
using mpegogg::PlayAll;
using mpegogg::ProbeWith;
using mpegogg::RunOk;
using testsupport::ShellQuote;
using testsupport::TempDir;

std::string Oggdec(const std::string& path) {
  return RunOk("oggdec -Q -R -o - " + ShellQuote(path));
}

struct Made {
  std::string path;
  int channels;
};

class OggDecoder : public ::testing::Test {
 protected:
  // Mono and stereo files from oggenc, ffmpeg and sox, tagged by each tool.
  std::vector<Made> MakeAll() {
    std::vector<Made> made;
    for (const int channels : {1, 2}) {
      const std::string source =
          MakeSource(dir_, "src" + std::to_string(channels) + ".wav", 44100, channels, 2.37);
      const std::string stem = dir_.File(std::to_string(channels));
      RunOk(
          "oggenc -Q -t 'Oggenc Title' -a 'Oggenc Artist' -l 'Oggenc Album' -d 2004 "
          "-G 'Ambient' -o " +
          ShellQuote(stem + "-oggenc.ogg") + " " + ShellQuote(source));
      RunOk("ffmpeg -v error -i " + ShellQuote(source) +
            " -c:a libvorbis -metadata title='Ffmpeg Title' -metadata artist='Ffmpeg Artist' " +
            "-metadata date=2011 " + ShellQuote(stem + "-ffmpeg.ogg"));
      RunOk("sox " + ShellQuote(source) + " --comment 'Title=Sox Title' " +
            ShellQuote(stem + "-sox.ogg"));
      for (const char* tool : {"oggenc", "ffmpeg", "sox"})
        made.push_back({stem + "-" + tool + ".ogg", channels});
    }
    return made;
  }
  TempDir dir_;
};

TEST_F(OggDecoder, FilesOfThreeEncodersDecodeLikeOggdecToTheLastSample) {
  TW_REQUIRE_TOOLS("ffmpeg", "oggdec", "oggenc", "sox");
  for (const Made& file : MakeAll()) {
    SCOPED_TRACE(file.path);
    decoders::TrackPtr track = ProbeWith(kOggDecoder, file.path);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->frequency, 44100);
    EXPECT_EQ(track->stereo, file.channels == 2 ? 1 : 0);
    EXPECT_EQ(track->bits, 16);
    EXPECT_EQ(track->format_tag, decoders::FourCC("OGGV"));
    EXPECT_EQ(track->seekable, 1);
    // The nominal rate in units of 1024 bit/s.
    const long nominal = std::stol(RunOk("ogginfo " + ShellQuote(file.path) +
                                         " | sed -n 's/^Nominal bitrate: \\([0-9]*\\).*/\\1/p'"));
    EXPECT_EQ(std::string(track->type_text),
              "OGG " + std::to_string(nominal * 1000 / 1024) + "kbps");
    EXPECT_EQ(track->length, 2 * 44100);  // whole seconds only
    const std::string ours = PlayAll(track.get());
    const std::string theirs = Oggdec(file.path);
    EXPECT_GT(ours.size(), 2 * 44100u);
    EXPECT_TRUE(ours == theirs) << ours.size() << " bytes against " << theirs.size();
  }
}

TEST_F(OggDecoder, CommentsOfEveryToolShowWhateverTheirCase) {
  TW_REQUIRE_TOOLS("ffmpeg", "oggenc", "sox");
  const std::vector<Made> made = MakeAll();
  decoders::TrackPtr oggenc = ProbeWith(kOggDecoder, made[0].path);
  ASSERT_TRUE(oggenc);
  EXPECT_STREQ(oggenc->title, "Oggenc Title");
  EXPECT_STREQ(oggenc->artist, "Oggenc Artist");
  EXPECT_STREQ(oggenc->album, "Oggenc Album");
  EXPECT_STREQ(oggenc->genre, "Ambient");
  EXPECT_EQ(oggenc->year, 2004);
  decoders::TrackPtr ffmpeg = ProbeWith(kOggDecoder, made[1].path);
  ASSERT_TRUE(ffmpeg);
  EXPECT_STREQ(ffmpeg->title, "Ffmpeg Title");
  EXPECT_STREQ(ffmpeg->artist, "Ffmpeg Artist");
  EXPECT_EQ(ffmpeg->year, 2011);
  decoders::TrackPtr sox = ProbeWith(kOggDecoder, made[2].path);
  ASSERT_TRUE(sox);
  EXPECT_STREQ(sox->title, "Sox Title");

  // Upper-case names, the first of two titles, short dates, "Unknown" genres,
  // UTF-8 values cut at a character boundary.
  const std::string path = made[3].path;
  RunOk(
      "vorbiscomment -w -t 'TITLE=Upper' -t 'title=Second' -t 'DATE=1' -t 'GENRE=Unknown' "
      "-t 'ALBUM=" +
      std::string(36, 'x') + "\u00E9\u00E9' " + ShellQuote(path));
  decoders::TrackPtr upper = ProbeWith(kOggDecoder, path);
  ASSERT_TRUE(upper);
  EXPECT_STREQ(upper->title, "Second");  // a later comment with the same name wins
  EXPECT_EQ(upper->year, 0);
  EXPECT_STREQ(upper->genre, "");
  EXPECT_EQ(std::string(upper->album), std::string(36, 'x') + "\u00E9");
  RunOk("vorbiscomment -w -t 'DATE=1999' -t 'ARTIST=Loud' " + ShellQuote(path));
  upper = ProbeWith(kOggDecoder, path);
  ASSERT_TRUE(upper);
  EXPECT_EQ(upper->year, 1999);
  EXPECT_STREQ(upper->artist, "Loud");
}

TEST_F(OggDecoder, SeekClampsAnyTargetAndPositionFollows) {
  TW_REQUIRE_TOOLS("oggenc", "sox");
  const std::string source = MakeSource(dir_, "s.wav", 22050, 2, 3.0);
  const std::string path = dir_.File("s.ogg");
  RunOk("oggenc -Q -o " + ShellQuote(path) + " " + ShellQuote(source));
  decoders::TrackPtr track = ProbeWith(kOggDecoder, path);
  ASSERT_TRUE(track);
  ASSERT_EQ(track->open(track.get()), 1);
  EXPECT_EQ(track->position(), 0.0);
  EXPECT_NEAR(track->seek(1.25), 1.25, 0.001);
  EXPECT_NEAR(track->position(), 1.25, 0.001);
  EXPECT_EQ(track->seek(-3.0), 0.0);
  EXPECT_EQ(track->seek(std::nan("")), 0.0);
  EXPECT_NEAR(track->seek(1e300), 3.0, 0.01);
  std::vector<int16_t> left(8192), right(8192);
  EXPECT_LE(track->decode(left.data(), right.data(), 8192, 0.1), 0);
  // Seeking back after the end plays again; an odd block size still splits frames right.
  track->seek(0.0);
  EXPECT_EQ(track->decode(left.data(), right.data(), 333, 0.1), 333);
  track->close();
  EXPECT_EQ(track->position(), 0.0);
  EXPECT_EQ(track->decode(left.data(), right.data(), 333, 0.1), 0);
  track->format_tag = 0;
  EXPECT_EQ(track->open(track.get()), 0);
}

}  // namespace

namespace {

// A 5.1 tone on one speaker (oggenc stores WAVE's FL FR FC LFE BL BR in the
// Vorbis order FL FC FR BL BR LFE): the level each side plays at, in dB against
// the tone; -inf for silence.
std::pair<double, double> SurroundLevels(const TempDir& dir, int wave_channel) {
  std::string remix;
  for (int c = 0; c < 6; ++c) remix += c == wave_channel ? " 1" : " 0";
  const std::string wav = dir.File("s.wav"), ogg = dir.File("s.ogg");
  RunOk("sox -D -R -n -r 44100 -b 16 " + wav + " synth 1 sine 440 vol 0.5 remix" + remix +
        " && oggenc -Q -o " + ogg + " " + wav);
  decoders::TrackPtr track = ProbeWith(kOggDecoder, ogg);
  EXPECT_EQ(track->stereo, 1);
  const std::string out = PlayAll(track.get());
  double sum[2] = {0, 0};
  const size_t frames = out.size() / 4;
  for (size_t i = 0; i < frames * 2; ++i) {
    const auto v = int16_t(uint8_t(out[2 * i]) | (uint8_t(out[2 * i + 1]) << 8));
    sum[i % 2] += double(v) * v;
  }
  const double tone = 0.5 * 32768 / std::sqrt(2.0);
  auto db = [&](double s) {
    return s > 0 ? 10 * std::log10(s / double(frames) / (tone * tone)) : -INFINITY;
  };
  return {db(sum[0]), db(sum[1])};
}

TEST(OggSurround, FiveOneMixesDownInTheVorbisOrder) {
  TW_REQUIRE_TOOLS("oggenc", "sox");
  TempDir dir;
  const auto centre = SurroundLevels(dir, 2);
  EXPECT_NEAR(centre.first, -3.0, 0.2);
  EXPECT_NEAR(centre.second, -3.0, 0.2);
  const auto lfe = SurroundLevels(dir, 3);
  EXPECT_LT(std::max(lfe.first, lfe.second), -60.0);
  const auto back_right = SurroundLevels(dir, 5);
  EXPECT_LT(back_right.first, -60.0);
  EXPECT_NEAR(back_right.second, -3.0, 0.2);
}

}  // namespace
