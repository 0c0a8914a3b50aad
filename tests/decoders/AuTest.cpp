#include <gtest/gtest.h>

#include "decoders/Decoders.h"
#include "decoders/TwdecodeSupport.h"
#include "support/TestSupport.h"

using testsupport::ReadBinaryFile;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteBinaryFile;

namespace {

void PutBe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

// The first 24 bytes of file, then the annotation, then the sample data.
std::vector<uint8_t> Rebuilt(const std::vector<uint8_t>& file, const std::string& annotation,
                             const std::vector<uint8_t>& data) {
  std::string joined(file.begin(), file.begin() + 24);
  joined += annotation;
  joined.append(data.begin(), data.end());
  return {joined.begin(), joined.end()};
}

struct Variety {
  const char* sox_options;  // sample coding for sox
  const char* ffmpeg_codec;
  bool eight_bit;  // delivered width
  const char* type_text;
};
constexpr Variety kVarieties[] = {
    {"-e u-law", "pcm_mulaw", false, "AU-ULAW"},
    {"-e signed -b 8", "pcm_s8", true, "AU-LIN8"},
    {"-e signed -b 16", "pcm_s16be", false, "AU-LIN16"},
};

void ExpectDecodesTo(const std::string& path, const Variety& v, const std::string& expected) {
  const twtest::ToolOutput got = twtest::Twdecode(path);
  ASSERT_EQ(got.exit_code, 0) << path << "\n" << got.fields;
  EXPECT_NE(got.fields.find(std::string("type: ") + v.type_text), std::string::npos);
  EXPECT_FALSE(got.samples.empty());
  EXPECT_TRUE(got.samples == expected) << path;
}

std::string SoxDecode(const std::string& path, bool eight_bit) {
  return twtest::Output("sox " + ShellQuote(path) + (eight_bit ? " -t s8 -" : " -t s16 -L -"));
}

}  // namespace

TEST(Au, SoxFilesDecodeExactlyLikeSox) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  int n = 0;
  for (const Variety& v : kVarieties) {
    for (const char* layout : {"-r 8000 -c 1", "-r 22050 -c 2", "-r 44100 -c 1"}) {
      const std::string path = dir.File("s" + std::to_string(n++) + ".au");
      twtest::Make(std::string("sox -D -n ") + layout + " " + v.sox_options + " " +
                   ShellQuote(path) + " synth 0.4 whitenoise");
      ExpectDecodesTo(path, v, SoxDecode(path, v.eight_bit));
    }
  }
}

TEST(Au, FfmpegFilesWithAndWithoutTitleDecodeLikeFfmpeg) {
  TW_REQUIRE_TOOLS("ffmpeg", "sox");
  TempDir dir;
  int n = 0;
  for (const Variety& v : kVarieties) {
    // A titled mono file, and a stereo one written to a pipe (data size unknown).
    for (const bool titled : {true, false}) {
      const std::string path = dir.File("f" + std::to_string(n++) + ".au");
      const std::string out = titled ? "-ac 1 -metadata title=Sunrise -f au " + ShellQuote(path)
                                     : "-ac 2 -f au - > " + ShellQuote(path);
      twtest::Make(std::string("ffmpeg -loglevel error -y -f lavfi -i "
                               "'anoisesrc=r=16000:d=0.4:a=0.8' -c:a ") +
                   v.ffmpeg_codec + " " + out);
      const std::string pcm = v.eight_bit ? "s8" : "s16le";
      const std::string expected =
          twtest::Output("ffmpeg -loglevel error -i " + ShellQuote(path) + " -f " + pcm + " -");
      ExpectDecodesTo(path, v, expected);
      EXPECT_TRUE(SoxDecode(path, v.eight_bit) == expected);
      decoders::TrackInfo track;
      ASSERT_TRUE(twtest::Probe(decoders::kAuDecoder, path, &track));
      EXPECT_EQ(std::string(track.comment).find("Sunrise") != std::string::npos, titled);
    }
  }
}

TEST(Au, HeaderVariantsOfOneFile) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  const std::string path = dir.File("base.au");
  twtest::Make("sox -D -n -r 8000 -c 1 -e u-law " + ShellQuote(path) + " synth 0.3 whitenoise");
  auto bytes = ReadBinaryFile(path);
  const uint32_t header = uint32_t(bytes[7]);
  ASSERT_GE(header, 28u);
  const std::string expected = SoxDecode(path, false);
  std::vector<uint8_t> data(bytes.begin() + header, bytes.end());

  // Header size 28 with a four-character annotation, the ".sd\0" magic and an
  // unknown data size.
  std::vector<uint8_t> au = Rebuilt(bytes, "abcd", data);
  PutBe32(au, 0, 0x2E736400);
  PutBe32(au, 4, 28);
  PutBe32(au, 8, 0xFFFFFFFF);
  const std::string variant = dir.File("variant.au");
  WriteBinaryFile(variant, au);
  decoders::TrackInfo track;
  ASSERT_TRUE(twtest::Probe(decoders::kAuDecoder, variant, &track));
  EXPECT_STREQ(track.comment, "abcd");
  EXPECT_EQ(track.data_start[0], 28u);
  EXPECT_EQ(track.length, int32_t(data.size()));
  EXPECT_TRUE(twtest::Twdecode(variant).samples == expected);

  // A header size below 24 means 24: no annotation, data right after the header.
  std::vector<uint8_t> short_header = Rebuilt(bytes, "", data);
  PutBe32(short_header, 4, 16);
  WriteBinaryFile(variant, short_header);
  decoders::TrackInfo plain;
  ASSERT_TRUE(twtest::Probe(decoders::kAuDecoder, variant, &plain));
  EXPECT_STREQ(plain.comment, "");
  EXPECT_TRUE(twtest::Twdecode(variant).samples == expected);

  // Encodings, channel counts and rates the engine cannot play.
  const std::pair<size_t, uint32_t> refusals[] = {{12, 23}, {12, 27}, {12, 0},     {20, 0},
                                                  {20, 9},  {16, 0},  {16, 800000}};
  for (const auto& [at, value] : refusals) {
    auto changed = bytes;
    PutBe32(changed, at, value);
    WriteBinaryFile(variant, changed);
    EXPECT_EQ(twtest::Twdecode(variant).exit_code, 2) << at << " = " << value;
  }
}

TEST(Au, SeekingThenDecodingEqualsDecodingStraightThrough) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  for (const Variety& v : kVarieties) {
    const std::string path = dir.File("seek.au");
    twtest::Make(std::string("sox -D -n -r 11025 -c 2 ") + v.sox_options + " " + ShellQuote(path) +
                 " synth 1.2 whitenoise");
    twtest::ExpectSeeksMatchStraightDecode(decoders::kAuDecoder, path);
  }
}

TEST(Au, HostileHeadersAreRefusedOrPlayed) {
  TW_REQUIRE_TOOLS("ffmpeg");
  TempDir dir;
  const std::string path = dir.File("h.au");
  twtest::Make(
      "ffmpeg -loglevel error -y -f lavfi -i 'anoisesrc=r=8000:d=0.05' -ac 2 -c:a "
      "pcm_s16be -metadata title=T -f au " +
      ShellQuote(path));
  twtest::ExpectHostileVariantsSafe(decoders::kAuDecoder, ReadBinaryFile(path), 60);
  const std::string wide = dir.File("w.au");
  twtest::Make("ffmpeg -loglevel error -y -f lavfi -i 'anoisesrc=r=8000:d=0.02' -ac 5 -c:a "
               "pcm_f64be -f au " + ShellQuote(wide));
  twtest::ExpectHostileVariantsSafe(decoders::kAuDecoder, ReadBinaryFile(wide), 40);
}

TEST(Au, HighResolutionFilesDecodeLikeSoxWithoutDither) {
  TW_REQUIRE_TOOLS("sox", "ffmpeg");
  TempDir dir;
  int n = 0;
  for (const char* options : {"-b 24 -c 2", "-b 32 -c 1", "-e floating-point -b 32 -c 2",
                              "-e floating-point -b 64 -c 1"}) {
    const std::string path = dir.File("sox" + std::to_string(n++) + ".au");
    twtest::Make("sox -R -n -r 22050 " + std::string(options) + " " + ShellQuote(path) +
                 " synth 0.3 sine 440 sine 660 vol 1.3 2>/dev/null");
    twtest::ExpectDecodesLikeSoxReduced(path);
  }
  // ffmpeg to a pipe: the data size is unknown.
  for (const char* codec : {"pcm_s24be", "pcm_s32be", "pcm_f32be", "pcm_f64be"}) {
    const std::string path = dir.File("ff" + std::to_string(n++) + ".au");
    twtest::Make("ffmpeg -nostdin -loglevel error -y -f lavfi -i 'sine=f=440:d=0.3' -ac 2 -c:a " +
                 std::string(codec) + " -f au - > " + ShellQuote(path));
    twtest::ExpectDecodesLikeSoxReduced(path);
  }
  const std::string seek = dir.File("seek.au");
  twtest::Make("sox -D -n -r 11025 -c 2 -b 24 " + ShellQuote(seek) + " synth 1.2 whitenoise");
  twtest::ExpectSeeksMatchStraightDecode(decoders::kAuDecoder, seek);
  // Three channels of 24 bits play as stereo, every frame of them.
  const std::string three = dir.File("three.au");
  twtest::Make("sox -D -n -r 8000 -c 3 -b 24 " + ShellQuote(three) + " synth 0.5 sine 440");
  const twtest::ToolOutput got = twtest::Twdecode(three);
  ASSERT_EQ(got.exit_code, 0) << got.fields;
  EXPECT_NE(got.fields.find("channels: 2"), std::string::npos);
  EXPECT_EQ(got.samples.size(), 4000u * 4);
}
