#include "MpegOggSupport.h"

#include <gtest/gtest.h>

#include <vector>

#include "decoders/PcmCodec.h"
#include "decoders/TW_File.h"

namespace mpegogg {

using testsupport::ShellQuote;

std::string MakeSource(const testsupport::TempDir& dir, const std::string& name, int rate,
                       int channels, double seconds) {
  const std::string path = dir.File(name);
  const std::string tones =
      channels == 2 ? " synth " + std::to_string(seconds) + " sine 200-4000 sine 660 vol 0.8"
                    : " synth " + std::to_string(seconds) + " sine 200-4000 vol 0.8";
  RunOk("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 " +
        ShellQuote(path) + tones);
  return path;
}

std::string RunOk(const std::string& command) {
  const testsupport::CommandResult result = testsupport::Run(command);
  EXPECT_EQ(result.exit_code, 0) << command;
  return result.out;
}

decoders::TrackPtr ProbeWith(const decoders::DecoderClass& module, const std::string& path) {
  module.init();
  auto track = std::make_unique<decoders::TrackInfo>();
  track->path = path;
  decoders::FileHandle file(
      decoders::TW_File_Open(path, decoders::kFileRead | decoders::kFileNoRam, 16384));
  std::vector<uint8_t> header(decoders::kHeaderSize, 0);
  size_t size = 0;
  if (file) {
    const int32_t got = decoders::TW_File_Read(file.get(), header.data(), 16384);
    size = got > 0 ? static_cast<size_t>(got) : 0;
    decoders::TW_File_Seek(file.get(), 0, decoders::kSeekStart);
  }
  if (!module.probe(file.get(), header.data(), size, track.get())) return nullptr;
  return track;
}

std::string PlayAll(decoders::TrackInfo* track, bool* opened) {
  constexpr int32_t kMaxFrames = 8192;
  const bool ok = track->open(track) == 1;
  if (opened) *opened = ok;
  if (!ok) return {};
  track->seek(0.0);
  std::vector<int16_t> left(kMaxFrames), right(kMaxFrames);
  std::string out;
  const int channels = track->stereo ? 2 : 1;
  for (int blocks = 0; blocks < 100000; ++blocks) {
    const int32_t frames = track->decode(left.data(), right.data(), kMaxFrames, 0.1);
    if (frames <= 0) break;
    EXPECT_LE(frames, kMaxFrames);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(frames) * channels * 2);
    decoders::InterleaveLittleEndian(left.data(), right.data(), static_cast<size_t>(frames),
                                     channels, 16, reinterpret_cast<uint8_t*>(out.data() + at));
  }
  track->close();
  return out;
}

}  // namespace mpegogg
