#include "audio/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "audio/Engine.h"
#include "decoders/Decoders.h"
#include "decoders/TW_File.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

namespace enginetest {
namespace {

struct SynthState {
  SynthSpec spec;
  int64_t position = 0;
  bool stalled = false;
};
SynthState synth;  // the decoder runs on the player task; the test reads it only after play

int SynthOpen(decoders::TrackInfo*) {
  synth.position = 0;
  synth.stalled = false;
  return 1;
}
void SynthClose() {}

double SynthPosition() { return double(synth.position) / synth.spec.frequency; }

double SynthSeek(double seconds) {
  const double frames = std::trunc(std::clamp(seconds, 0.0, 1e9) * synth.spec.frequency);
  synth.position = std::min<int64_t>(int64_t(frames), synth.spec.frames);
  return SynthPosition();
}

int32_t SynthDecode(void* left, void* right, int32_t max_frames, double seconds) {
  const auto& spec = synth.spec;
  if (spec.stall_at_frame >= 0 && !synth.stalled && synth.position >= spec.stall_at_frame) {
    synth.stalled = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(spec.stall_ms));
  }
  const int64_t wanted = std::min<int64_t>(max_frames, int64_t(seconds * spec.frequency));
  const auto n = int32_t(std::min<int64_t>(wanted, spec.frames - synth.position));
  for (int32_t i = 0; i < n; ++i) {
    for (int ch = 0; ch < (spec.stereo ? 2 : 1); ++ch) {
      const int16_t s = SynthSample(synth.position + i, ch);
      void* out = ch == 0 ? left : right;
      if (spec.bits == 8)
        static_cast<int8_t*>(out)[i] = int8_t(s >> 8);
      else
        static_cast<int16_t*>(out)[i] = s;
    }
  }
  synth.position += std::max(n, 0);
  return n;
}

}  // namespace

int16_t SynthSample(int64_t frame, int channel) {
  // A ramp on the left and a different ramp on the right: every frame is distinct,
  // so a lost, repeated or swapped frame shows.
  return int16_t(uint16_t(frame * (channel ? 977 : 131) + channel * 12345));
}

decoders::TrackInfo MakeSynthTrack(const SynthSpec& spec) {
  synth.spec = spec;
  decoders::TrackInfo track;
  track.path = "synthetic";
  track.frequency = spec.frequency;
  track.stereo = spec.stereo ? 1 : 0;
  track.bits = spec.bits;
  track.length = spec.frames;
  track.seekable = spec.seekable ? 1 : 0;
  track.open = SynthOpen;
  track.close = SynthClose;
  track.seek = spec.seekable ? SynthSeek : nullptr;
  track.decode = SynthDecode;
  track.position = SynthPosition;
  return track;
}

std::vector<int16_t> SynthExpected(const SynthSpec& spec) {
  std::vector<int16_t> out;
  out.reserve(size_t(spec.frames) * 2);
  for (int64_t f = 0; f < spec.frames; ++f)
    for (int ch = 0; ch < 2; ++ch) out.push_back(SynthSample(f, spec.stereo ? ch : 0));
  return out;
}

decoders::TrackPtr IdentifyWave(const std::string& path) {
  return IdentifyWith(decoders::kWaveDecoder, path);
}

decoders::TrackPtr IdentifyWith(const decoders::DecoderClass& module, const std::string& path) {
  auto track = std::make_unique<decoders::TrackInfo>();
  track->path = path;
  decoders::FileHandle file(decoders::TW_File_Open(path, decoders::kFileRead | decoders::kFileNoRam,
                                                   int32_t(decoders::kHeaderSize)));
  EXPECT_TRUE(file) << path;
  if (!file) return nullptr;
  std::vector<uint8_t> header(decoders::kHeaderSize, 0);
  const int32_t got = decoders::TW_File_Read(file.get(), header.data(), int32_t(header.size()));
  decoders::TW_File_Seek(file.get(), 0, decoders::kSeekStart);
  const size_t size = size_t(std::max(got, 0));
  const bool accepted = module.probe(file.get(), header.data(), size, track.get());
  EXPECT_TRUE(accepted) << path;
  return accepted ? std::move(track) : nullptr;
}

Rendered SoxStereo(const std::string& path) {
  Rendered r;
  const auto q = testsupport::ShellQuote(path);
  const auto rate = testsupport::Run("soxi -r " + q + " 2>/dev/null");
  r.rate = uint32_t(std::strtoul(rate.out.c_str(), nullptr, 10));
  const auto raw = testsupport::Run("sox " + q + " -t s16 -L -c 2 - 2>/dev/null");
  r.samples.resize(raw.out.size() / 2);
  std::memcpy(r.samples.data(), raw.out.data(), r.samples.size() * 2);
  return r;
}

EngineSession::EngineSession(const std::string& output, int32_t buffer_ms) {
  ::setenv("TUNEWRIGHT_OUTPUT", output.c_str(), 1);
  settings::SetAudioDefaults();
  settings::Audio().buffer_time = uint32_t(buffer_ms);
  started_ = audio::Engine_Start(buffer_ms, &signals_, kNotifyBit);
  EXPECT_TRUE(started_);
}

EngineSession::~EngineSession() {
  audio::Engine_Shutdown();
  settings::SetAudioDefaults();
}

bool EngineSession::WaitForState(int32_t want, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (audio::Engine_GetState() != want) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    signals_.WaitFor(kNotifyBit, std::min(left, std::chrono::milliseconds(50)));
  }
  return true;
}

int32_t EngineSession::PlayToEnd(const decoders::TrackInfo& track,
                                 std::chrono::milliseconds limit) {
  EXPECT_EQ(audio::Engine_Play(&track), 1) << "PLAY result " << audio::Engine_LastResult();
  WaitForState(audio::kEngineFinished, limit);
  return audio::Engine_GetState();
}

}  // namespace enginetest
