// The level meters' copy of the last output block: whole, never torn, emptied at
// stop, read by another thread while the engine plays, seeks and stops (this test
// is the one ThreadSanitizer watches for the snapshot).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "audio/Engine.h"
#include "audio/EngineTestSupport.h"
#include "audio/OutputSnapshot.h"

namespace {

using enginetest::EngineSession;
using std::chrono::milliseconds;

// The synthetic song's left ramp steps by 131 (odd, so invertible modulo 2^16):
// the frame number it came from, and so the right sample of the same frame, follow.
int16_t RightOfLeft(int16_t left) {
  constexpr uint16_t kInverse131 = 20011;  // 131 * 20011 = 1 mod 65536
  const uint16_t frame = uint16_t(uint16_t(left) * kInverse131);
  return enginetest::SynthSample(frame, 1);
}

// A copy is whole when every frame's two samples belong together.
bool IsWholeStereoBlock(const audio::OutputSnapshot& block) {
  if (block.samples[0].size() != size_t(block.frames)) return false;
  if (block.samples[1].size() != size_t(block.frames)) return false;
  for (int32_t i = 0; i < block.frames; ++i)
    if (block.samples[1][i] != RightOfLeft(block.samples[0][i])) return false;
  return true;
}

TEST(OutputSnapshotTest, ReaderCopiesWholeBlocksWhileTheEnginePlaysSeeksAndStops) {
  ASSERT_EQ(uint16_t(131 * 20011), 1);
  EngineSession session("null");
  enginetest::SynthSpec spec;
  spec.frames = 44100 * 30;
  const auto track = enginetest::MakeSynthTrack(spec);

  std::atomic<bool> done{false};
  std::atomic<int> copies_with_frames{0}, torn{0};
  std::thread reader([&] {
    audio::OutputSnapshot block;
    while (!done.load()) {
      if (audio::Engine_CopyLastBlock(block) > 0) {
        ++copies_with_frames;
        if (block.channels != 2 || block.bits != 16 || block.gain[0] != 64 ||
            !IsWholeStereoBlock(block))
          ++torn;
      }
      std::this_thread::yield();
    }
  });
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(audio::Engine_Play(&track), 1);
    std::this_thread::sleep_for(milliseconds(150));
    audio::Engine_SeekTo(10.0 + round);
    std::this_thread::sleep_for(milliseconds(150));
    audio::Engine_Pause(true);
    audio::Engine_Pause(false);
    std::this_thread::sleep_for(milliseconds(100));
    audio::Engine_Stop();
    // Stopped: the copy is empty at once and stays so.
    audio::OutputSnapshot after;
    EXPECT_EQ(audio::Engine_CopyLastBlock(after), 0);
    EXPECT_TRUE(after.samples[0].empty());
  }
  done = true;
  reader.join();
  EXPECT_GT(copies_with_frames.load(), 0);
  EXPECT_EQ(torn.load(), 0);
}

TEST(OutputSnapshotTest, EightBitMonoKeepsSampleValuesAndVolumes) {
  const int8_t mono[4] = {-128, -1, 0, 127};
  audio::OutputSnapshotSlot slot;
  slot.Store({4, {mono, nullptr}, 1, 8, {32, 16}});
  audio::OutputSnapshot copy;
  slot.CopyTo(copy);
  ASSERT_EQ(copy.frames, 4);
  EXPECT_EQ(copy.samples[0], (std::vector<int16_t>{-128, -1, 0, 127}));
  EXPECT_TRUE(copy.samples[1].empty());
  EXPECT_EQ(copy.gain[0], 32);
  EXPECT_EQ(copy.gain[1], 16);
  // A block that claims two channels without a second buffer is not kept.
  slot.Store({4, {mono, nullptr}, 2, 8, {64, 64}});
  slot.CopyTo(copy);
  EXPECT_EQ(copy.frames, 0);
}

}  // namespace
