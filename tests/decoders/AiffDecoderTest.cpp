// The AIFF module against sox's and ffmpeg's AIFF and AIFF-C files, and its ADP4
// chunk against ffmpeg's decoding of the same IMA ADPCM data in a KVAG file.
#include <gtest/gtest.h>

#include <algorithm>

#include "decoders/Decoders.h"
#include "decoders/IffTestSupport.h"
#include "decoders/TwdecodeSupport.h"
#include "support/TestSupport.h"

namespace {

using decoders::kAiffDecoder;
using decoders::TrackInfo;
using ifftest::Bytes;
using testsupport::ShellQuote;

Bytes Common(uint16_t channels, uint32_t frames, uint16_t bits, const Bytes& rate) {
  Bytes out;
  ifftest::PutBig16(&out, channels);
  ifftest::PutBig32(&out, frames);
  ifftest::PutBig16(&out, bits);
  out.insert(out.end(), rate.begin(), rate.end());
  return out;
}

// Sample chunk contents: the offset and block size words, then the data.
Bytes SampleData(const Bytes& data) {
  Bytes out(8 + data.size(), 0);
  std::copy(data.begin(), data.end(), out.begin() + 8);
  return out;
}

const std::string kSynth = " synth 1.7 sine 440 pinknoise vol 0.7";
const std::string kFfmpegIn =
    "ffmpeg -nostdin -loglevel error -y -f lavfi -i 'sine=frequency=330:duration=1.6' "
    "-f lavfi -i 'anoisesrc=d=1.6:a=0.2' -filter_complex amix=inputs=2 ";

class AiffTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    return ifftest::WriteFile(dir_.path(), name, bytes);
  }
  // Runs a command whose word OUT stands for the new file's path.
  std::string Make(const std::string& name, std::string command) {
    const std::string path = dir_.File(name);
    command.replace(command.find("OUT"), 3, ShellQuote(path));
    const std::string line = command + " 2>/dev/null";
    EXPECT_EQ(testsupport::Run(line).exit_code, 0) << line;
    return path;
  }
  // A mono 16-bit WAVE file of the test signal.
  std::string MonoWave() {
    return Make("mono.wav",
                "sox -n -r 22050 -b 16 -c 1 -t wav OUT synth 35280s sine 440 pinknoise vol 0.7");
  }
  bool Identify(const std::string& path, TrackInfo* track) {
    return twtest::Probe(kAiffDecoder, path, track);
  }
  testsupport::TempDir dir_;
};

TEST_F(AiffTest, ToolFilesDecodeToTheToolsSamples) {
  TW_REQUIRE_TOOLS("ffmpeg", "sox");
  struct Case {
    std::string name, command, reference, type_text, title;
    int bits;
  };
  const Case cases[] = {
      {"s16st.aiff", "sox -n -r 44100 -b 16 -c 2 -t aiff OUT" + kSynth, "sox", "AIFF", "", 16},
      {"s8mono.aiff", "sox -n -r 8000 -b 8 -c 1 -t aiff OUT" + kSynth, "sox", "AIFF", "", 8},
      {"s16st.aifc", "sox -n -r 48000 -b 16 -c 2 -t aifc OUT" + kSynth, "sox", "AIFF", "", 16},
      {"f16mono.aiff", kFfmpegIn + "-f aiff OUT", "ffmpeg", "AIFF", "", 16},
      {"f16title.aiff", kFfmpegIn + "-ac 2 -metadata title='Night Drive' -f aiff OUT", "ffmpeg",
       "AIFF", "Night Drive", 16},
      {"f8.aiff", kFfmpegIn + "-c:a pcm_s8 -f aiff OUT", "ffmpeg", "AIFF", "", 8},
      {"sowt.aiff", kFfmpegIn + "-ac 2 -c:a pcm_s16le -f aiff OUT", "ffmpeg", "AIFF", "", 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Make(c.name, c.command);
    TrackInfo track;
    ASSERT_TRUE(Identify(path, &track));
    EXPECT_STREQ(track.type_text, c.type_text.c_str());
    EXPECT_STREQ(track.title, c.title.c_str());
    EXPECT_EQ(track.bits, c.bits);
    const std::string expected = c.reference == "sox" ? ifftest::SoxDecode(path, c.bits)
                                                      : ifftest::FfmpegDecode(path, c.bits);
    const std::string decoded = ifftest::DecodeAll(&track);
    ASSERT_FALSE(decoded.empty());
    EXPECT_TRUE(decoded == expected);
    EXPECT_TRUE(twtest::Twdecode(path).samples == expected);
    ifftest::ExpectSeeksMatch(&track, decoded);
  }
}

TEST_F(AiffTest, HighResolutionFilesDecodeLikeSoxWithoutDither) {
  TW_REQUIRE_TOOLS("ffmpeg", "sox");
  const std::string loud = " synth 0.4 sine 440 sine 660 vol 1.3";
  const std::string made[] = {
      Make("s24.aiff", "sox -R -n -r 44100 -b 24 -c 2 -t aiff OUT" + loud),
      Make("s32.aiff", "sox -R -n -r 8000 -b 32 -c 1 -t aiff OUT" + loud),
      Make("fl32.aifc", "sox -R -n -r 44100 -e floating-point -b 32 -c 2 -t aifc OUT" + loud),
      Make("fl64.aifc", "sox -R -n -r 44100 -e floating-point -b 64 -c 1 -t aifc OUT" + loud),
      Make("f24.aiff", kFfmpegIn + "-ac 2 -c:a pcm_s24be -f aiff OUT"),
      Make("f32.aiff", kFfmpegIn + "-c:a pcm_s32be -f aiff OUT"),
      Make("ff32.aifc", kFfmpegIn + "-ac 2 -c:a pcm_f32be -f aiff OUT"),
      Make("ff64.aifc", kFfmpegIn + "-c:a pcm_f64be -f aiff OUT"),
  };
  for (const std::string& path : made) twtest::ExpectDecodesLikeSoxReduced(path);
  // Compressions that are not PCM stay refused by every module.
  TrackInfo track;
  for (const std::string codec : {"pcm_mulaw", "pcm_alaw"}) {
    const std::string path = Make(codec + ".aiff", kFfmpegIn + "-c:a " + codec + " -f aiff OUT");
    EXPECT_FALSE(Identify(path, &track)) << codec;
    EXPECT_EQ(twtest::Twdecode(path).exit_code, 2) << codec;
  }
}

TEST_F(AiffTest, Ima4PacketsDecodeLikeFfmpegAndSeek) {
  TW_REQUIRE_TOOLS("ffmpeg");
  for (const char* channels : {"1", "2"}) {
    SCOPED_TRACE(channels);
    const std::string path = Make("ima4_" + std::string(channels) + ".aifc",
                                  kFfmpegIn + "-ac " + channels + " -c:a adpcm_ima_qt -f aiff OUT");
    TrackInfo track;
    ASSERT_TRUE(Identify(path, &track));
    EXPECT_STREQ(track.type_text, "AIFF-IMA4");
    EXPECT_EQ(track.bits, 16);
    const std::string decoded = ifftest::DecodeAll(&track);
    ASSERT_FALSE(decoded.empty());
    EXPECT_TRUE(decoded == ifftest::FfmpegDecode(path, 16));
    ifftest::ExpectSeeksMatch(&track, decoded);
  }
}

TEST_F(AiffTest, RatesChunkOrderAndCommonChunkSize) {
  TW_REQUIRE_TOOLS("sox");
  const Bytes data(400, 0x11);
  for (uint32_t rate : {44100u, 22050u, 8000u, 1u, 768000u}) {
    TrackInfo track;
    ASSERT_TRUE(Identify(
        Write("rate.aiff",
              ifftest::Form("AIFF",
                            {
                                ifftest::Chunk("COMM", Common(1, 200, 16, ifftest::Extended(rate))),
                                ifftest::Chunk("SSND", SampleData(data)),
                            })),
        &track));
    EXPECT_EQ(track.frequency, int32_t(rate));
  }
  TrackInfo track;
  for (uint32_t rate : {0u, 768001u, 4000000000u}) {
    const Bytes common = Common(1, 200, 16, rate ? ifftest::Extended(rate) : Bytes(10, 0));
    EXPECT_FALSE(Identify(
        Write("badrate.aiff", ifftest::Form("AIFF", {ifftest::Chunk("COMM", common),
                                                     ifftest::Chunk("SSND", SampleData(data))})),
        &track))
        << rate;
  }
  // Sample data before COMM is skipped as a chunk, not taken for the rest of the list.
  const std::string sox_path =
      Make("order.aiff", "sox -n -r 11025 -b 16 -c 2 -t aiff OUT" + kSynth);
  std::vector<Bytes> chunks = ifftest::SplitChunks(testsupport::ReadBinaryFile(sox_path));
  std::reverse(chunks.begin(), chunks.end());
  ASSERT_TRUE(Identify(Write("reversed.aiff", ifftest::Form("AIFF", chunks)), &track));
  EXPECT_EQ(track.frequency, 11025);
  EXPECT_TRUE(ifftest::DecodeAll(&track) == ifftest::SoxDecode(sox_path, 16));
  // A COMM shorter than its record refuses the file.
  Bytes short_common = Common(1, 200, 16, ifftest::Extended(8000));
  short_common.resize(16);
  EXPECT_FALSE(Identify(
      Write("short.aiff", ifftest::Form("AIFF", {ifftest::Chunk("COMM", short_common),
                                                 ifftest::Chunk("SSND", SampleData(data))})),
      &track));
  // COMM without sample data is refused when the chunks run out.
  EXPECT_FALSE(Identify(
      Write("nodata.aiff",
            ifftest::Form("AIFF",
                          {ifftest::Chunk("COMM", Common(1, 200, 16, ifftest::Extended(8000)))})),
      &track));
}

// KVAG files hold IMA ADPCM coded as the ADP4 chunk is, after a 14-byte header.
// ffmpeg's encoder aborts on packets of some sizes, so it gets whole 4096-sample frames.
TEST_F(AiffTest, Adp4MatchesFfmpegImaDecoding) {
  TW_REQUIRE_TOOLS("ffmpeg", "sox");
  const std::string vag = dir_.File("x.vag");
  ASSERT_EQ(
      testsupport::Run("ffmpeg -nostdin -loglevel error -i " + ShellQuote(MonoWave()) +
                       " -af asetnsamples=n=4096:p=1 -c:a adpcm_ima_ssi -f kvag " + ShellQuote(vag))
          .exit_code,
      0);
  const Bytes kvag = testsupport::ReadBinaryFile(vag);
  ASSERT_GT(kvag.size(), 14u);
  const Bytes adpcm(kvag.begin() + 14, kvag.end());
  const std::string path =
      Write("adp4.aiff",
            ifftest::Form("AIFF", {ifftest::Chunk("COMM", Common(1, uint32_t(2 * adpcm.size()), 16,
                                                                 ifftest::Extended(22050))),
                                   ifftest::Chunk("ADP4", SampleData(adpcm))}));
  TrackInfo track;
  ASSERT_TRUE(Identify(path, &track));
  EXPECT_STREQ(track.type_text, "AIFF-ADP4");
  EXPECT_EQ(track.bits, 16);
  const std::string decoded = ifftest::DecodeAll(&track);
  EXPECT_TRUE(decoded == ifftest::FfmpegDecode(vag, 16));
  EXPECT_TRUE(twtest::Twdecode(path).samples == decoded);
  ifftest::ExpectSeeksMatch(&track, decoded);

  // Code 7 from the reset state gives 0 + 7 + 3 + 1 = 11; seeking back to 0 restarts there.
  ASSERT_TRUE(Identify(
      Write(
          "code7.aiff",
          ifftest::Form("AIFF", {ifftest::Chunk("COMM", Common(1, 4, 16, ifftest::Extended(8000))),
                                 ifftest::Chunk("ADP4", SampleData({0x70, 0x00}))})),
      &track));
  const std::string once = ifftest::DecodeAll(&track);
  ASSERT_EQ(once.size(), 8u);
  EXPECT_EQ(once[0], 11);
  EXPECT_EQ(once[1], 0);
  ASSERT_TRUE(track.open(&track));
  ifftest::DecodeSome(track, 4);
  EXPECT_EQ(track.seek(0.0), 0.0);
  EXPECT_TRUE(ifftest::DecodeSome(track, 4) == once);
  track.close();
}

}  // namespace
