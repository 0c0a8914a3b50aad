#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "decoders/Decoders.h"
#include "decoders/TwdecodeSupport.h"
#include "support/TestSupport.h"

using testsupport::ReadBinaryFile;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteBinaryFile;

namespace {

// What sox decodes the file to, in the sample width twdecode writes.
std::string SoxDecode(const std::string& path, bool eight_bit) {
  return twtest::Output("sox " + ShellQuote(path) + (eight_bit ? " -t s8 -" : " -t s16 -L -"));
}

void ExpectDecodesLikeSox(const std::string& path, bool eight_bit) {
  const twtest::ToolOutput got = twtest::Twdecode(path);
  ASSERT_EQ(got.exit_code, 0) << path << "\n" << got.fields;
  EXPECT_NE(got.fields.find("type: RIFF-WAVE"), std::string::npos);
  EXPECT_FALSE(got.samples.empty());
  EXPECT_TRUE(got.samples == SoxDecode(path, eight_bit)) << path;
}

std::string Noise(const std::string& options, double seconds = 0.4) {
  return "-R -n " + options + " synth " + std::to_string(seconds) + " whitenoise";
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// Inserts a chunk before the byte at `at` (a chunk boundary), with or without
// its pad byte. Splices as text: GCC 12 warns wrongly on vector inserts.
std::vector<uint8_t> WithChunk(const std::vector<uint8_t>& wav, size_t at, const char* id,
                               const std::string& body, bool pad) {
  std::string size(4, '\0');
  for (int i = 0; i < 4; ++i) size[size_t(i)] = char(body.size() >> (8 * i));
  std::string chunk = std::string(id, 4) + size + body;
  if (pad && body.size() % 2) chunk += '\0';
  std::string text(wav.begin(), wav.end());
  text.insert(at, chunk);
  std::vector<uint8_t> result(text.begin(), text.end());
  PutLe32(result, 4, uint32_t(result.size() - 8));
  return result;
}

}  // namespace

TEST(Wave, SoxFilesDecodeExactlyLikeSox) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  int n = 0;
  for (const char* bits : {"8", "16"}) {
    for (const char* channels : {"1", "2"}) {
      for (const char* rate : {"8000", "11025", "22050", "44100", "48000"}) {
        const std::string path = dir.File("s" + std::to_string(n++) + ".wav");
        twtest::Make("sox -D " + Noise(std::string("-r ") + rate + " -c " + channels + " -b " +
                                       bits + " " + ShellQuote(path)));
        ExpectDecodesLikeSox(path, std::string(bits) == "8");
      }
    }
  }
}

TEST(Wave, FfmpegFilesWithListChunkAndPipedSizesDecodeLikeSox) {
  TW_REQUIRE_TOOLS("ffmpeg", "sox");
  TempDir dir;
  const std::string source =
      "-f lavfi -i 'sine=f=440:r=22050:d=0.5' -f lavfi -i "
      "'anoisesrc=r=22050:d=0.5' -filter_complex amerge ";
  struct Case {
    const char* codec;
    const char* channels;
    bool piped;
  } cases[] = {{"pcm_u8", "1", false},    {"pcm_u8", "2", false},   {"pcm_s16le", "1", false},
               {"pcm_s16le", "2", false}, {"pcm_s16le", "2", true}, {"pcm_u8", "1", true}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = dir.File("f" + std::to_string(n++) + ".wav");
    const std::string out = c.piped ? "-f wav - > " + ShellQuote(path) : ShellQuote(path);
    twtest::Make("ffmpeg -loglevel error -y " + source + "-ac " + c.channels + " -c:a " + c.codec +
                 " " + out);
    const auto bytes = ReadBinaryFile(path);
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(std::memcmp(bytes.data() + 36, "LIST", 4), 0) << "ffmpeg no longer writes LIST";
    if (c.piped) {
      EXPECT_EQ(Le32(bytes, 4), 0xFFFFFFFFu);
    }
    ExpectDecodesLikeSox(path, std::string(c.codec) == "pcm_u8");
  }
}

TEST(Wave, OddChunksWithAndWithoutPadByteAndDataBeforeFormat) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  const std::string plain = dir.File("plain.wav");
  twtest::Make("sox -D " + Noise("-r 16000 -c 2 -b 16 " + ShellQuote(plain), 0.3));
  const auto wav = ReadBinaryFile(plain);
  ASSERT_EQ(Le32(wav, 16), 16u);  // sox's fmt chunk; data follows at 36
  const std::string expected = SoxDecode(plain, false);

  const std::string padded = dir.File("padded.wav");
  WriteBinaryFile(padded, WithChunk(wav, 36, "junk", "abc", true));
  const std::string unpadded = dir.File("unpadded.wav");
  WriteBinaryFile(unpadded, WithChunk(WithChunk(wav, 36, "junk", "abcde", false), 36, "LIST",
                                      std::string(7, '\x01'), true));
  for (const auto& path : {padded, unpadded}) {
    const auto got = twtest::Twdecode(path);
    ASSERT_EQ(got.exit_code, 0) << path;
    EXPECT_TRUE(got.samples == expected) << path;
  }
  EXPECT_TRUE(SoxDecode(padded, false) == expected);  // sox agrees the padded file is valid

  // The data chunk first, then "fmt " with an 18-byte body.
  const std::string text(wav.begin(), wav.end());
  std::string fmt = text.substr(12, 24) + std::string(2, '\0');
  fmt[4] = 18;
  const std::string moved = text.substr(0, 12) + text.substr(36) + fmt;
  const std::vector<uint8_t> reordered(moved.begin(), moved.end());
  const std::string data_first = dir.File("data_first.wav");
  WriteBinaryFile(data_first, reordered);
  const auto got = twtest::Twdecode(data_first);
  ASSERT_EQ(got.exit_code, 0);
  EXPECT_TRUE(got.samples == expected);
}

TEST(Wave, HighResolutionFilesDecodeLikeSoxWithoutDither) {
  TW_REQUIRE_TOOLS("sox", "ffmpeg");
  TempDir dir;
  int n = 0;
  // sox writes WAVE_FORMAT_EXTENSIBLE above 16 bits; the loud float clips.
  for (const char* options : {"-b 24 -c 2", "-b 32 -c 1", "-e floating-point -b 32 -c 2",
                              "-e floating-point -b 64 -c 1"}) {
    const std::string path = dir.File("sox" + std::to_string(n++) + ".wav");
    twtest::Make("sox -R -n -r 44100 " + std::string(options) + " " + ShellQuote(path) +
                 " synth 0.3 sine 440 sine 660 vol 1.3 2>/dev/null");
    twtest::ExpectDecodesLikeSoxReduced(path);
  }
  // ffmpeg writes plain headers for these; above 48 kHz even 16 bits are extensible.
  for (const char* codec : {"pcm_s24le", "pcm_s32le", "pcm_f32le", "pcm_f64le",
                            "pcm_s16le -ar 96000"}) {
    const std::string path = dir.File("ff" + std::to_string(n++) + ".wav");
    twtest::Make("ffmpeg -nostdin -loglevel error -y -f lavfi -i 'sine=f=440:d=0.3' -ac 2 -c:a " +
                 std::string(codec) + " " + ShellQuote(path));
    twtest::ExpectDecodesLikeSoxReduced(path);
  }
}

// Surround files of a 440 Hz tone on one speaker, mixed down to stereo: the
// level each side plays at, in dB against the tone (-inf: silence).
struct SideLevels {
  double left, right;
};

double LevelDb(const std::string& samples, size_t channel) {
  double sum = 0.0;
  size_t count = 0;
  for (size_t at = 2 * channel; at + 1 < samples.size(); at += 4, ++count) {
    const auto v = int16_t(uint8_t(samples[at]) | (uint8_t(samples[at + 1]) << 8));
    sum += double(v) * v;
  }
  const double tone_rms = 0.5 * 32768 / std::sqrt(2.0);
  return count && sum > 0 ? 10 * std::log10(sum / count) - 20 * std::log10(tone_rms)
                          : -INFINITY;
}

SideLevels Levels(const std::string& path) {
  const auto got = twtest::Twdecode(path);
  EXPECT_EQ(got.exit_code, 0) << got.fields;
  EXPECT_NE(got.fields.find("channels: 2"), std::string::npos);
  return {LevelDb(got.samples, 0), LevelDb(got.samples, 1)};
}

// A sox plain-header (no mask) file: WAVE order FL FR FC LFE BL BR.
std::string PlainSurround(const TempDir& dir, int tone_channel) {
  std::string remix;
  for (int c = 0; c < 6; ++c) remix += c == tone_channel ? " 1" : " 0";
  const std::string path = dir.File("plain" + std::to_string(tone_channel) + ".wav");
  twtest::Make("sox -D -R -n -r 8000 -b 16 -t wavpcm " + ShellQuote(path) +
               " synth 0.5 sine 440 vol 0.5 remix" + remix);
  return path;
}

// An ffmpeg extensible file of 5.1(side): mask FL FR FC LFE SL SR.
std::string MaskedSurround(const TempDir& dir, int tone_channel) {
  std::string expr;
  for (int c = 0; c < 6; ++c) expr += (c ? "|" : "") + std::string(c == tone_channel ? "0.5*sin(440*2*PI*t)" : "0");
  const std::string path = dir.File("side" + std::to_string(tone_channel) + ".wav");
  twtest::Make("ffmpeg -nostdin -loglevel error -y -f lavfi -i 'aevalsrc=" + expr +
               ":c=5.1(side):s=8000:d=0.5' -c:a pcm_s16le " + ShellQuote(path));
  return path;
}

TEST(Wave, SurroundMixesDownToStereo) {
  TW_REQUIRE_TOOLS("sox", "ffmpeg");
  TempDir dir;
  for (bool masked : {false, true}) {
    SCOPED_TRACE(masked ? "extensible 5.1(side)" : "plain 5.1");
    auto make = [&](int channel) {
      return masked ? MaskedSurround(dir, channel) : PlainSurround(dir, channel);
    };
    const SideLevels front_left = Levels(make(0));
    EXPECT_NEAR(front_left.left, 0.0, 0.05);
    EXPECT_EQ(front_left.right, -INFINITY);
    const SideLevels centre = Levels(make(2));
    EXPECT_NEAR(centre.left, -3.0, 0.05);
    EXPECT_NEAR(centre.right, -3.0, 0.05);
    const SideLevels lfe = Levels(make(3));
    EXPECT_EQ(lfe.left, -INFINITY);
    EXPECT_EQ(lfe.right, -INFINITY);
    const SideLevels right_surround = Levels(make(5));
    EXPECT_EQ(right_surround.left, -INFINITY);
    EXPECT_NEAR(right_surround.right, -3.0, 0.05);
  }
}

TEST(Wave, FormatsTheEngineCannotPlayAreRefused) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  std::vector<std::string> refused;
  for (const char* options : {"-e u-law -c 1", "-e ima-adpcm -c 1", "-b 16 -c 9"}) {
    refused.push_back(dir.File("r" + std::to_string(refused.size()) + ".wav"));
    twtest::Make("sox -D " +
                 Noise(std::string("-r 8000 ") + options + " " + ShellQuote(refused.back()), 0.1));
  }
  // Plain PCM headers with nine channels, rate 0, rate 800000, 12 bits, and
  // 16-bit float.
  const std::string base = dir.File("base.wav");
  twtest::Make("sox -D " + Noise("-r 8000 -c 1 -b 16 " + ShellQuote(base), 0.1));
  const auto wav = ReadBinaryFile(base);
  const std::pair<size_t, uint32_t> edits[] = {
      {22, 9}, {24, 0}, {24, 800000}, {34, 12}, {20, 3}};
  for (const auto& [at, value] : edits) {
    auto changed = wav;
    if (at == 22 || at == 34 || at == 20) {
      changed[at] = uint8_t(value);
    } else {
      PutLe32(changed, at, value);
    }
    refused.push_back(dir.File("e" + std::to_string(at) + "_" + std::to_string(value) + ".wav"));
    WriteBinaryFile(refused.back(), changed);
  }
  // An extensible file whose subformat GUID is not the standard PCM one.
  const std::string extensible = dir.File("ext.wav");
  twtest::Make("sox -D " + Noise("-r 8000 -c 1 -b 24 " + ShellQuote(extensible), 0.1));
  auto odd_guid = ReadBinaryFile(extensible);
  ASSERT_EQ(Le32(odd_guid, 16), 40u);
  odd_guid[44 + 8] ^= 0xFF;
  refused.push_back(dir.File("guid.wav"));
  WriteBinaryFile(refused.back(), odd_guid);
  for (const auto& path : refused) {
    const auto got = twtest::Twdecode(path);
    EXPECT_EQ(got.exit_code, 2) << path << "\n" << got.fields;
    EXPECT_TRUE(got.samples.empty());
  }
}

TEST(Wave, SeekingThenDecodingEqualsDecodingStraightThrough) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  for (const char* options : {"-r 22050 -c 2 -b 16", "-r 8000 -c 1 -b 8", "-r 11025 -c 2 -b 8"}) {
    const std::string path = dir.File("seek.wav");
    twtest::Make("sox -D " + Noise(std::string(options) + " " + ShellQuote(path), 1.3));
    twtest::ExpectSeeksMatchStraightDecode(decoders::kWaveDecoder, path);
  }
  const std::string path = dir.File("tool.wav");
  twtest::Make("sox -D " + Noise("-r 10000 -c 2 -b 16 " + ShellQuote(path), 2.0));
  const std::string whole = twtest::Twdecode(path).samples;
  ASSERT_EQ(whole.size(), 80000u);
  EXPECT_TRUE(twtest::Twdecode(path, "--seek 1.25").samples == whole.substr(12500 * 4));
  EXPECT_TRUE(twtest::Twdecode(path, "--seek -4").samples == whole);
  EXPECT_TRUE(twtest::Twdecode(path, "--seek 99").samples.empty());
}

TEST(Wave, HostileHeadersAreRefusedOrPlayed) {
  TW_REQUIRE_TOOLS("ffmpeg");
  TempDir dir;
  const std::string path = dir.File("h.wav");
  twtest::Make(
      "ffmpeg -loglevel error -y -f lavfi -i 'anoisesrc=r=8000:d=0.05' -ac 2 -c:a "
      "pcm_s16le " +
      ShellQuote(path));
  twtest::ExpectHostileVariantsSafe(decoders::kWaveDecoder, ReadBinaryFile(path), 90);
  // Extensible, six channels of 24 bits: the mask, the GUID and the widths too.
  const std::string surround = dir.File("s.wav");
  twtest::Make("ffmpeg -loglevel error -y -f lavfi -i 'anoisesrc=r=8000:d=0.02' -ac 6 -c:a "
               "pcm_s24le " + ShellQuote(surround));
  twtest::ExpectHostileVariantsSafe(decoders::kWaveDecoder, ReadBinaryFile(surround), 90);
}
