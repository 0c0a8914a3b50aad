// The IFF 8SVX module against sox's 8SVX files and ffmpeg's Fibonacci-delta
// decoder, plus the layout rules on hand-made files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "decoders/Decoders.h"
#include "decoders/IffTestSupport.h"
#include "decoders/TwdecodeSupport.h"
#include "support/TestSupport.h"

namespace {

using decoders::kIff8svxDecoder;
using decoders::TrackInfo;
using ifftest::Bytes;

constexpr std::array<int, 16> kDeltas = {-34, -21, -13, -8, -5, -3, -2, -1,
                                         0,   1,   2,   3,  5,  8,  13, 21};

Bytes VoiceHeader(uint32_t one_shot, uint16_t rate, uint8_t compression) {
  Bytes out;
  ifftest::PutBig32(&out, one_shot);
  ifftest::PutBig32(&out, 0);   // repeat
  ifftest::PutBig32(&out, 32);  // samples per cycle
  ifftest::PutBig16(&out, rate);
  out.push_back(1);  // octaves
  out.push_back(compression);
  ifftest::PutBig32(&out, 0x10000);  // volume
  return out;
}

// Greedy Fibonacci-delta coding, high nibble first: the pad byte, the initial
// value, then two codes per byte.
Bytes EncodeFibonacci(const std::vector<int>& samples) {
  Bytes out = {0, uint8_t(samples[0])};
  int value = samples[0];
  uint8_t pending = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    int best = 0;
    for (int code = 1; code < 16; ++code) {
      if (std::abs(value + kDeltas[code] - samples[i]) <
          std::abs(value + kDeltas[best] - samples[i]))
        best = code;
    }
    value += kDeltas[best];
    if (i % 2 == 0) {
      pending = uint8_t(best << 4);
    } else {
      out.push_back(uint8_t(pending | best));
    }
  }
  return out;
}

// A signal that the coding follows without ever leaving -128..127.
std::vector<int> TestSignal(size_t count, double pitch) {
  std::vector<int> samples(count);
  uint32_t noise = 12345;
  for (size_t i = 0; i < count; ++i) {
    noise = noise * 1103515245 + 12345;
    samples[i] = int(40 * std::sin(double(i) * pitch) + double(noise >> 28) - 8);
  }
  return samples;
}

class SvxTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    return ifftest::WriteFile(dir_.path(), name, bytes);
  }
  TrackInfo IdentifyOrFail(const std::string& path) {
    TrackInfo track;
    EXPECT_TRUE(twtest::Probe(kIff8svxDecoder, path, &track)) << path;
    return track;
  }
  testsupport::TempDir dir_;
};

TEST_F(SvxTest, SoxFilesDecodeToSoxSamples) {
  TW_REQUIRE_TOOLS("sox");
  for (int channels : {1, 2}) {
    const std::string path = dir_.File("sox" + std::to_string(channels) + ".8svx");
    ASSERT_EQ(testsupport::Run("sox -n -r 11025 -b 8 -c " + std::to_string(channels) + " " + path +
                               " synth 1.3 sine 440 pinknoise 2>/dev/null")
                  .exit_code,
              0);
    TrackInfo track = IdentifyOrFail(path);
    EXPECT_STREQ(track.type_text, "8SVX");
    EXPECT_EQ(track.frequency, 11025);
    EXPECT_EQ(track.stereo != 0, channels == 2);
    const std::string expected = ifftest::SoxDecode(path, 8);
    const std::string decoded = ifftest::DecodeAll(&track);
    EXPECT_TRUE(decoded == expected) << channels << " channels";
    EXPECT_TRUE(twtest::Twdecode(path).samples == expected);
    ifftest::ExpectSeeksMatch(&track, decoded);
  }
}

TEST_F(SvxTest, TextChunksAndChannelLayouts) {
  const Bytes body(2000, 7);
  TrackInfo track = IdentifyOrFail(
      Write("text.8svx", ifftest::Form("8SVX", {ifftest::Chunk("NAME", {'H', 'e', 'l', 'l', 'o'}),
                                                ifftest::Chunk("AUTH", Bytes(100, 'a')),
                                                ifftest::Chunk("VHDR", VoiceHeader(1000, 8000, 0)),
                                                ifftest::Chunk("BODY", body)})));
  EXPECT_STREQ(track.title, "Hell");  // an odd-length text loses its last character
  EXPECT_EQ(std::string(track.artist), std::string(39, 'a'));
  EXPECT_EQ(track.stereo, 1);
  EXPECT_EQ(track.length, 1000);
  EXPECT_EQ(track.data_start[1], track.data_start[0] + 1000);

  track = IdentifyOrFail(Write(
      "fibmono.8svx", ifftest::Form("8SVX", {ifftest::Chunk("VHDR", VoiceHeader(2000, 8000, 1)),
                                             ifftest::Chunk("BODY", Bytes(1002, 0x88))})));
  EXPECT_EQ(track.stereo, 0);
  EXPECT_EQ(track.length, 1996);
  EXPECT_STREQ(track.type_text, "8SVX-FIB");

  track = IdentifyOrFail(Write(
      "fibstereo.8svx", ifftest::Form("8SVX", {ifftest::Chunk("VHDR", VoiceHeader(1000, 8000, 1)),
                                               ifftest::Chunk("BODY", Bytes(1004, 0x88))})));
  EXPECT_EQ(track.stereo, 1);
  EXPECT_EQ(track.length, 1000);
  EXPECT_EQ(track.data_start[1], track.data_start[0] + 502);

  // An unknown compression is identified and opened but plays nothing.
  track = IdentifyOrFail(
      Write("comp2.8svx", ifftest::Form("8SVX", {ifftest::Chunk("VHDR", VoiceHeader(100, 8000, 2)),
                                                 ifftest::Chunk("BODY", Bytes(100, 1))})));
  ASSERT_EQ(track.open(&track), 1);
  int8_t left[8192];
  EXPECT_EQ(track.decode(left, nullptr, 8192, 0.1), 0);
  track.close();

  // A longer voice header is read and its tail skipped; a shorter one is refused.
  Bytes long_header = VoiceHeader(100, 8000, 0);
  long_header.resize(24, 0xEE);
  EXPECT_TRUE(twtest::Probe(
      kIff8svxDecoder,
      Write("long.8svx", ifftest::Form("8SVX", {ifftest::Chunk("VHDR", long_header),
                                                ifftest::Chunk("BODY", Bytes(100, 1))})),
      &track));
  EXPECT_EQ(track.frequency, 8000);
  Bytes short_header = VoiceHeader(100, 8000, 0);
  short_header.resize(16);
  EXPECT_FALSE(twtest::Probe(
      kIff8svxDecoder,
      Write("short.8svx", ifftest::Form("8SVX", {ifftest::Chunk("VHDR", short_header),
                                                 ifftest::Chunk("BODY", Bytes(100, 1))})),
      &track));
  EXPECT_FALSE(twtest::Probe(
      kIff8svxDecoder,
      Write("rate0.8svx", ifftest::Form("8SVX", {ifftest::Chunk("VHDR", VoiceHeader(100, 0, 0)),
                                                 ifftest::Chunk("BODY", Bytes(100, 1))})),
      &track));
}

TEST_F(SvxTest, FibonacciSumsWrapModulo256) {
  struct Case {
    uint8_t initial;
    Bytes codes;
    std::vector<int8_t> expected;
  };
  const Case cases[] = {
      {0, {0x78}, {-1, -1}},
      {120, {0xFF, 0xF0}, {-115, -94, -73, -107}},  // 141 wraps to -115
      {uint8_t(-120), {0x00}, {102, 68}},           // -154 wraps to 102
  };
  for (const Case& c : cases) {
    // The pad byte and initial value, the codes, then two bytes the mono length leaves out.
    Bytes body(2 + c.codes.size() + 2, 0);
    body[1] = c.initial;
    std::copy(c.codes.begin(), c.codes.end(), body.begin() + 2);
    TrackInfo track = IdentifyOrFail(
        Write("wrap.8svx", ifftest::Form("8SVX", {ifftest::Chunk("VHDR", VoiceHeader(0, 8000, 1)),
                                                  ifftest::Chunk("BODY", body)})));
    const std::string decoded = ifftest::DecodeAll(&track);
    ASSERT_EQ(decoded.size(), c.expected.size());
    EXPECT_EQ(0, std::memcmp(decoded.data(), c.expected.data(), decoded.size()));
  }
}

// ffmpeg reads the low nibble first, so it is handed a copy with the two halves
// of each code byte swapped; it clamps where we wrap, so the signal never comes near
// the limits.
Bytes SwapNibbles(Bytes block) {
  for (size_t i = 2; i < block.size(); ++i) block[i] = uint8_t(block[i] << 4 | block[i] >> 4);
  return block;
}

TEST_F(SvxTest, FibonacciMatchesFfmpegAndSeeks) {
  TW_REQUIRE_TOOLS("ffmpeg");
  const size_t samples = 20000;
  for (int channels : {1, 2}) {
    Bytes ours, theirs;
    for (int c = 0; c < channels; ++c) {
      const Bytes block = EncodeFibonacci(TestSignal(samples, 0.01 + 0.02 * c));
      const Bytes swapped = SwapNibbles(block);
      ours.insert(ours.end(), block.begin(), block.end());
      theirs.insert(theirs.end(), swapped.begin(), swapped.end());
    }
    Bytes channel_chunk;
    ifftest::PutBig32(&channel_chunk, channels == 2 ? 6 : 2);
    auto make = [&](const std::string& name, const Bytes& body) {
      return Write(
          name, ifftest::Form(
                    "8SVX", {ifftest::Chunk("VHDR", VoiceHeader(samples, 16000, 1)),
                             ifftest::Chunk("CHAN", channel_chunk), ifftest::Chunk("BODY", body)}));
    };
    const std::string path = make("fib.8svx", ours);
    TrackInfo track = IdentifyOrFail(path);
    EXPECT_EQ(track.stereo != 0, channels == 2);
    const std::string decoded = ifftest::DecodeAll(&track);
    ASSERT_EQ(decoded.size(), size_t(track.length * channels));
    EXPECT_TRUE(twtest::Twdecode(path).samples == decoded);
    const std::string reference = ifftest::FfmpegDecode(make("fib-lowfirst.8svx", theirs), 8);
    ASSERT_GE(reference.size(), decoded.size());
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), reference.begin()))
        << channels << " channels";
    ifftest::ExpectSeeksMatch(&track, decoded);
  }
}

}  // namespace
