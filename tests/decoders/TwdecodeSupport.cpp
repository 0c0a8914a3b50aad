#include "decoders/TwdecodeSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "decoders/Decoders.h"
#include "decoders/PcmCodec.h"
#include "decoders/TW_File.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

using testsupport::ShellQuote;

namespace twtest {

ToolOutput Twdecode(const std::string& path, const std::string& extra, const std::string& home) {
  testsupport::TempDir dir;
  const std::string errors = dir.File("fields.txt");
  const std::string tool = testsupport::BuiltProgram("twdecode");
  EXPECT_TRUE(testsupport::HaveTool(tool)) << "build the twdecode target first";
  const std::string env = "TUNEWRIGHT_HOME=" + ShellQuote(home.empty() ? dir.path() : home) + " ";
  const auto result = testsupport::Run(env + ShellQuote(tool) + " " + ShellQuote(path) + " " +
                                       extra + " 2>" + ShellQuote(errors));
  return {result.exit_code, result.out, testsupport::ReadTextFile(errors)};
}

std::string Output(const std::string& command) {
  const auto result = testsupport::Run(command);
  EXPECT_EQ(result.exit_code, 0) << command;
  return result.out;
}

void Make(const std::string& command) {
  ASSERT_EQ(testsupport::Run("(" + command + ") >/dev/null 2>&1").exit_code, 0) << command;
}

void ExpectDecodesLikeSoxReduced(const std::string& path) {
  const ToolOutput got = Twdecode(path);
  ASSERT_EQ(got.exit_code, 0) << path << "\n" << got.fields;
  EXPECT_NE(got.fields.find("bits: 16"), std::string::npos) << path;
  EXPECT_FALSE(got.samples.empty()) << path;
  const std::string expected =
      Output("sox -D " + testsupport::ShellQuote(path) + " -b 16 -t s16 -L - 2>/dev/null");
  EXPECT_TRUE(got.samples == expected) << path;
}

bool Probe(const decoders::DecoderClass& module, const std::string& path,
           decoders::TrackInfo* track) {
  using namespace decoders;
  FileHandle file(TW_File_Open(path, kFileRead | kFileNoRam, int32_t(kHeaderSize)));
  if (!file) return false;
  std::vector<uint8_t> header(kHeaderSize, 0);
  const int32_t got = TW_File_Read(file.get(), header.data(), int32_t(header.size()));
  TW_File_Seek(file.get(), 0, kSeekStart);
  track->path = path;
  return module.probe(file.get(), header.data(), got > 0 ? size_t(got) : 0, track) != 0;
}

bool DecodeAll(decoders::TrackInfo& track, double seek_seconds, std::string* samples) {
  samples->clear();
  if (!track.open(&track)) return false;
  track.seek(seek_seconds);
  const int channels = track.stereo ? 2 : 1;
  const size_t frame_bytes = size_t(channels) * (track.bits == 16 ? 2 : 1);
  std::vector<uint8_t> left(8192 * 2), right(8192 * 2), block;
  for (int blocks = 0;; ++blocks) {
    const int32_t frames = track.decode(left.data(), right.data(), 8192, 0.1);
    if (frames <= 0) break;
    EXPECT_LE(frames, 8192);
    EXPECT_LE(frames, int32_t(track.frequency * 0.1) + 1);
    block.resize(size_t(frames) * frame_bytes);
    decoders::InterleaveLittleEndian(left.data(), right.data(), size_t(frames), channels,
                                     track.bits, block.data());
    samples->append(block.begin(), block.end());
    if (blocks > 10000000) ADD_FAILURE() << "decode never ends";
  }
  track.close();
  return true;
}

namespace {

size_t SkippedBytes(const decoders::TrackInfo& track, double seconds) {
  double clamped = std::isnan(seconds) ? 0.0 : std::max(0.0, seconds);
  const double frames = std::floor(clamped * track.frequency);
  const size_t frame_bytes = size_t(track.stereo ? 2 : 1) * (track.bits == 16 ? 2 : 1);
  return size_t(std::min(frames, double(track.length))) * frame_bytes;
}

void SetLoadInRam(bool on) {
  settings::FileSettings block = decoders::TW_File_GetSettings();
  block.load_in_ram = on;
  decoders::TW_File_SetSettings(block);
}

}  // namespace

void ExpectSeeksMatchStraightDecode(const decoders::DecoderClass& module, const std::string& path) {
  decoders::TrackInfo track;
  ASSERT_TRUE(Probe(module, path, &track)) << path;
  const double length = double(track.length) / track.frequency;
  const double times[] = {
      0.0,          0.1,    length / 3,   length / 2 + 0.0001,
      length - 0.1, length, length + 5,   -2.0,
      1e300,        -1e300, std::nan(""), std::numeric_limits<double>::infinity()};
  for (const bool ram : {false, true}) {
    SetLoadInRam(ram);
    std::string whole;
    ASSERT_TRUE(DecodeAll(track, 0.0, &whole));
    EXPECT_EQ(whole.size(), SkippedBytes(track, length + 1));
    for (const double t : times) {
      std::string part;
      ASSERT_TRUE(DecodeAll(track, t, &part));
      const size_t skip = std::min(SkippedBytes(track, t), whole.size());
      EXPECT_TRUE(part == whole.substr(skip)) << path << " seek " << t << " ram " << ram;
    }
  }
  SetLoadInRam(false);
  decoders::TW_File_FreeCache();
}

void ExpectRefusedOrPlayed(const decoders::DecoderClass& module, const std::string& path) {
  decoders::TrackInfo track;
  if (!Probe(module, path, &track)) return;
  EXPECT_TRUE(track.stereo == 0 || track.stereo == 1);
  EXPECT_TRUE(track.bits == 8 || track.bits == 16);
  EXPECT_GE(track.frequency, 1);
  EXPECT_GE(track.length, 0);
  std::string samples;
  // A track that knows its length plays no more than it.
  if (DecodeAll(track, 0.0, &samples) && track.seekable) {
    const size_t frame_bytes = size_t(track.stereo ? 2 : 1) * (track.bits == 16 ? 2 : 1);
    EXPECT_LE(samples.size(), size_t(track.length) * frame_bytes);
  }
}

void ExpectHostileVariantsSafe(const decoders::DecoderClass& module,
                               const std::vector<uint8_t>& file, size_t span) {
  testsupport::TempDir dir;
  const std::string path = dir.File("hostile");
  span = std::min(span, file.size());
  for (size_t cut = 0; cut <= span; ++cut) {
    testsupport::WriteBinaryFile(path, {file.begin(), file.begin() + std::ptrdiff_t(cut)});
    ExpectRefusedOrPlayed(module, path);
  }
  const uint32_t values[] = {0, 1, 3, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
  for (size_t at = 0; at + 4 <= span; at += 2) {
    for (const uint32_t value : values) {
      std::vector<uint8_t> changed = file;
      for (int i = 0; i < 4; ++i) changed[at + size_t(i)] = uint8_t(value >> (8 * i));
      testsupport::WriteBinaryFile(path, changed);
      ExpectRefusedOrPlayed(module, path);
    }
  }
}

}  // namespace twtest
