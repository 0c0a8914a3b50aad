// The output manager driven directly, as the player task drives it, through the
// null output.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "audio/AudioMan.h"

namespace {

using namespace audio;
using std::chrono::milliseconds;

int32_t Ask(int code) {
  int32_t answer = -12345;
  EXPECT_EQ(Aum_Control(code, 0, &answer), 0);
  return answer;
}

class AudioManTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TUNEWRIGHT_OUTPUT", "null", 1);
    ASSERT_EQ(Aum_Init(), 0);
  }
  void TearDown() override { EXPECT_EQ(Aum_Exit(), 0); }

  static OutputParams Params(int32_t out, int32_t ring, int32_t largest = 0) {
    OutputParams p;
    p.out_frequency = out;
    p.ring_frames = ring;
    p.largest_block = largest;
    return p;
  }

  BlockDesc Block(int32_t frames) {
    left_.assign(size_t(frames), 1000);
    right_.assign(size_t(frames), -1000);
    return {frames, {left_.data(), right_.data()}};
  }

  std::vector<int16_t> left_, right_;
};

TEST(AudioManUninitialisedTest, RefusesEverything) {
  EXPECT_EQ(Aum_Exit(), kAumNotInitialised);
  EXPECT_EQ(Aum_Control(kAumCtlState), kAumNotInitialised);
  EXPECT_EQ(Aum_Write({}), kAumNotInitialised);
  std::vector<uint32_t> ids;
  std::vector<std::string> names;
  EXPECT_EQ(Aum_ListModes(1, &ids, &names, 0), kAumNotInitialised);
  EXPECT_GE(Aum_ListModes(1, &ids, &names, 64), 1);
  EXPECT_EQ(names.front(), "default");
}

TEST_F(AudioManTest, OpeningChecksTheRing) {
  EXPECT_EQ(Ask(kAumCtlState), kAumIdle);
  EXPECT_EQ(Aum_Write(Block(100)), kAumBlockRefused);  // idle
  // 105000 Hz makes 2100-frame halves: a 4096-frame ring cannot hold two of them...
  EXPECT_EQ(Aum_Open(Params(105000, 4096)), kAumRingTooShort);
  EXPECT_EQ(Ask(kAumCtlState), kAumIdle);
  // ...unless the writer says how large its blocks are: the ring then grows to fit.
  ASSERT_EQ(Aum_Open(Params(105000, 4096, 8192)), 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumWaiting);
  EXPECT_GE(Ask(kAumCtlFree), 8192 + 2 * 2100);
  EXPECT_EQ(Aum_Write(Block(8192)), 0);
  EXPECT_EQ(Aum_Control(kAumCtlStop, 1), 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumIdle);
}

TEST_F(AudioManTest, BlockLargerThanTheRingIsRefused) {
  ASSERT_EQ(Aum_Open(Params(44100, 4096)), 0);
  EXPECT_EQ(Aum_Write(Block(5000)), kAumBlockRefused);
  EXPECT_EQ(Ask(kAumCtlQueued), 0);
  // Waiting to start, two blocks' worth start playback.
  EXPECT_EQ(Aum_Write(Block(1000)), 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumWaiting);
  EXPECT_EQ(Aum_Write(Block(1000)), 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumPlaying);
}

TEST_F(AudioManTest, PauseResumeHaltAndStop) {
  ASSERT_EQ(Aum_Open(Params(44100, 22050)), 0);
  // Resume right after open: paused-early becomes waiting; data then starts it.
  Aum_Control(kAumCtlPause, 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumPausedEarly);
  Aum_Control(kAumCtlPause, 1);
  EXPECT_EQ(Ask(kAumCtlState), kAumWaiting);
  EXPECT_EQ(Aum_Write(Block(4410)), 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumPlaying);

  Aum_Control(kAumCtlPause, 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumPaused);
  const int32_t queued = Ask(kAumCtlQueued);
  EXPECT_GT(queued, 0);
  std::this_thread::sleep_for(milliseconds(100));
  Aum_Control(kAumCtlHalt, 1);  // a halt while paused does nothing
  EXPECT_EQ(Ask(kAumCtlQueued), queued);
  EXPECT_EQ(Ask(kAumCtlState), kAumPaused);

  // A writer blocked on a full ring is released by stop.
  auto blocked = std::async(std::launch::async, [this] {
    std::vector<int16_t> l(8000, 1), r(8000, 1);
    int32_t result = 0;
    for (int i = 0; i < 4 && result == 0; ++i) result = Aum_Write({8000, {l.data(), r.data()}});
    return result;
  });
  EXPECT_EQ(blocked.wait_for(milliseconds(300)), std::future_status::timeout);
  Aum_Control(kAumCtlStop, 1);  // stop while paused frees everything
  EXPECT_EQ(blocked.wait_for(milliseconds(2000)), std::future_status::ready);
  EXPECT_EQ(Ask(kAumCtlState), kAumIdle);
  EXPECT_EQ(Ask(kAumCtlQueued), 0);
}

TEST_F(AudioManTest, DrainPlaysATailShorterThanTwoBlocks) {
  ASSERT_EQ(Aum_Open(Params(44100, 22050)), 0);
  EXPECT_EQ(Aum_Write(Block(500)), 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumWaiting);  // not enough to start by itself
  const auto start = std::chrono::steady_clock::now();
  while (Ask(kAumCtlDrain) > 0 && std::chrono::steady_clock::now() - start < milliseconds(2000))
    std::this_thread::sleep_for(milliseconds(2));
  EXPECT_EQ(Ask(kAumCtlDrain), 0);
  EXPECT_EQ(Ask(kAumCtlQueued), 0);
  EXPECT_EQ(Ask(kAumCtlState), kAumWaiting);  // dry: waits for data again
}

}  // namespace
