// Damaged and hostile 8SVX and AIFF files: every header field overwritten with
// edge values, truncation at every header offset, reordered and repeated chunks,
// impossible 80-bit rates. Each must be refused or played within its length,
// never crash, hang or read out of bounds (run it under the sanitizer build).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "decoders/Decoders.h"
#include "decoders/IffTestSupport.h"
#include "decoders/TwdecodeSupport.h"
#include "support/TestSupport.h"

namespace {

using decoders::TrackInfo;
using ifftest::Bytes;

constexpr uint32_t kEdgeValues[] = {0, 1, 0x1235, 0x7FFFFFFF, 0xFFFFFFFF};

// Plays an accepted track through every operation with ordinary and wild arguments.
void Play(TrackInfo* track) {
  ASSERT_GE(track->length, 0);
  if (!track->open(track)) return;
  std::vector<uint8_t> left(2 * 8192), right(2 * 8192);
  int64_t total = 0;
  for (int calls = 0; calls < 100000; ++calls) {
    const int32_t frames = track->decode(left.data(), right.data(), 8192, 0.1);
    if (frames <= 0) break;
    ASSERT_LE(frames, 8192);
    total += frames;
  }
  EXPECT_LE(total, track->length);
  const double inf = std::numeric_limits<double>::infinity();
  for (double seconds : {0.05, -1.0, 1e300, inf, -inf, std::nan(""), 0.0}) {
    const double reached = track->seek(seconds);
    EXPECT_TRUE(reached >= 0.0 && std::isfinite(reached));
    // The 8SVX module reads only the channels it is given a buffer for.
    if (track->format_tag == decoders::FourCC("8SVX"))
      track->decode(left.data(), nullptr, 8192, 0.1);
    track->decode(left.data(), right.data(), -5, 0.1);
    track->decode(left.data(), right.data(), 8192, std::nan(""));
    EXPECT_TRUE(std::isfinite(track->position()));
  }
  track->close();
}

class IffHostileTest : public ::testing::Test {
 protected:
  // Offers the bytes to both IFF modules and plays whatever they accept.
  void Exercise(const Bytes& bytes) {
    testsupport::WriteBinaryFile(path_, bytes);
    for (const decoders::DecoderClass* module :
         {&decoders::kIff8svxDecoder, &decoders::kAiffDecoder}) {
      TrackInfo track;
      if (twtest::Probe(*module, path_, &track)) Play(&track);
      if (HasFatalFailure()) return;
    }
  }

  // Runs the field, truncation and chunk-order damage over one well-formed file.
  void Batter(const Bytes& file) {
    TrackInfo track;
    testsupport::WriteBinaryFile(path_, file);
    ASSERT_TRUE(twtest::Probe(decoders::kIff8svxDecoder, path_, &track) ||
                twtest::Probe(decoders::kAiffDecoder, path_, &track));
    const size_t header_end = std::min<size_t>(file.size(), track.data_start[0] + 8);
    for (size_t at = 0; at < header_end; ++at) {
      for (uint32_t value : kEdgeValues) {
        Bytes damaged = file;
        for (size_t i = 0; i < 4 && at + i < damaged.size(); ++i)
          damaged[at + i] = uint8_t(value >> (24 - 8 * i));
        SCOPED_TRACE(testing::Message() << "offset " << at << " value " << value);
        Exercise(damaged);
        if (HasFatalFailure()) return;
      }
      Exercise(Bytes(file.begin(), file.begin() + long(at)));
    }
    const std::vector<Bytes> chunks = ifftest::SplitChunks(file);
    const std::string type(file.begin() + 8, file.begin() + 12);
    std::vector<Bytes> reordered(chunks.rbegin(), chunks.rend());
    Exercise(ifftest::Form(type, reordered));
    for (size_t i = 0; i < chunks.size(); ++i) {
      std::vector<Bytes> doubled = chunks, dropped = chunks;
      doubled.insert(doubled.begin() + long(i), chunks[i]);
      dropped.erase(dropped.begin() + long(i));
      Exercise(ifftest::Form(type, doubled));
      Exercise(ifftest::Form(type, dropped));
    }
  }

  testsupport::TempDir dir_;
  std::string path_ = dir_.File("hostile");
};

Bytes SoxFile(const testsupport::TempDir& dir, const std::string& format, const std::string& args) {
  const std::string path = dir.File("base." + format);
  EXPECT_EQ(testsupport::Run("sox -n " + args + " -t " + format + " " + path +
                             " synth 0.05 sine 440 2>/dev/null")
                .exit_code,
            0);
  return testsupport::ReadBinaryFile(path);
}

Bytes AiffWithRate(const Bytes& rate, const std::string& sample_chunk) {
  Bytes common;
  ifftest::PutBig16(&common, 1);
  ifftest::PutBig32(&common, 300);
  ifftest::PutBig16(&common, 16);
  common.insert(common.end(), rate.begin(), rate.end());
  Bytes samples(8 + 600, 0x5A);  // after the offset and block size words
  std::fill_n(samples.begin(), 8, 0);
  return ifftest::Form("AIFF",
                       {ifftest::Chunk("NAME", {'a', 'b', 'c'}), ifftest::Chunk("COMM", common),
                        ifftest::Chunk(sample_chunk, samples)});
}

TEST_F(IffHostileTest, Damaged8svxFiles) {
  TW_REQUIRE_TOOLS("sox");
  Batter(SoxFile(dir_, "8svx", "-r 8000 -b 8 -c 2"));
  Batter(SoxFile(dir_, "8svx", "-r 8000 -b 8 -c 1"));
  Bytes voice;
  for (uint32_t word : {200u, 0u, 32u}) ifftest::PutBig32(&voice, word);
  ifftest::PutBig16(&voice, 8000);
  voice.insert(voice.end(), {1, 1, 0, 1, 0, 0});
  Bytes body(204, 0x9C);
  body[0] = body[102] = 0;
  Batter(ifftest::Form("8SVX", {ifftest::Chunk("VHDR", voice), ifftest::Chunk("ANNO", {'x'}),
                                ifftest::Chunk("BODY", body)}));
}

TEST_F(IffHostileTest, DamagedAiffFiles) {
  TW_REQUIRE_TOOLS("sox");
  Batter(SoxFile(dir_, "aiff", "-r 8000 -b 16 -c 2"));
  Batter(SoxFile(dir_, "aifc", "-r 8000 -b 8 -c 1"));
  Batter(AiffWithRate(ifftest::Extended(8000), "ADP4"));
  Batter(SoxFile(dir_, "aiff", "-r 8000 -b 24 -c 6"));
  Batter(SoxFile(dir_, "aifc", "-r 8000 -e floating-point -b 64 -c 3"));
}

TEST_F(IffHostileTest, DamagedIma4Files) {
  TW_REQUIRE_TOOLS("ffmpeg");
  const std::string path = dir_.File("base.aifc");
  ASSERT_EQ(testsupport::Run("ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                             "'anoisesrc=r=8000:d=0.05' -ac 2 -c:a adpcm_ima_qt -f aiff " +
                             path)
                .exit_code,
            0);
  Batter(testsupport::ReadBinaryFile(path));
}

TEST_F(IffHostileTest, ImpossibleRatesAreRefused) {
  auto extended = [](uint16_t exponent, uint64_t mantissa) {
    Bytes out;
    ifftest::PutBig16(&out, exponent);
    ifftest::PutBig32(&out, uint32_t(mantissa >> 32));
    ifftest::PutBig32(&out, uint32_t(mantissa));
    return out;
  };
  const Bytes rates[] = {
      extended(0, 0),                        // zero
      extended(0, 0x4000000000000000),       // denormal
      extended(0x7FFF, 0x8000000000000000),  // infinity
      extended(0x7FFF, 0xC000000000000000),  // NaN
      extended(0xC00E, 0xAC44000000000000),  // -44100
      extended(0x401F, 0x8000000000000000),  // 2^32
      extended(0x403E, 0xFFFFFFFFFFFFFFFF),  // about 2^64
      extended(0x3FFE, 0x8000000000000000),  // 0.5
  };
  for (const std::string chunk : {"SSND", "ADP4"}) {
    for (const Bytes& rate : rates) {
      testsupport::WriteBinaryFile(path_, AiffWithRate(rate, chunk));
      TrackInfo track;
      EXPECT_FALSE(twtest::Probe(decoders::kAiffDecoder, path_, &track));
    }
  }
}

}  // namespace
