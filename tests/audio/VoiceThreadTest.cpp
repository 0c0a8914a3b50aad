// Many threads at the voices at once, on every sink, while the hook reacts to
// each start from the mixer thread. Meant to run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "audio/VoiceTestHelpers.h"
#include "support/TestSupport.h"

using namespace voicetest;

namespace {

using Clock = std::chrono::steady_clock;

TEST(VoiceThreads, ChangesFromManyThreadsWhileMixing) {
  testsupport::TempDir dir;
  const std::vector<int16_t> tone(300, 5000);
  const std::vector<int8_t> click(40, 100);
  for (const std::string& text :
       std::vector<std::string>{"null", "alsa:null", "file:" + dir.File("t.wav")}) {
    std::atomic<int> starts{0};
    std::atomic<VoiceOutput*> shared{nullptr};
    // The hook re-enters the voices: it must never be called under their lock.
    auto voices = Allocate(ParseOutputChoice(text, ""), 44100, [&](int channel) {
      ++starts;
      VoiceOutput* v = shared.load();
      v->IsPlaying(channel);
      v->SetSound(channel, starts % 3 == 0 ? 1 : 0, false);
      v->SetVolume(channel, 0.8, channel, false);
    });
    ASSERT_TRUE(voices) << text;
    shared = voices.get();
    voices->LoadSound(0, Mono16(tone));
    voices->LoadSound(1, {SampleType::kMono8, click.data(), static_cast<uint32_t>(click.size())});
    for (int c = 0; c < 2; ++c) Start(*voices, c, 0, 22050 + 10000 * c, 1.0, c);
    ASSERT_TRUE(voices->Play(true));

    const auto until = Clock::now() + std::chrono::milliseconds(300);
    auto changer = [&](unsigned seed) {
      std::mt19937 random(seed);
      while (Clock::now() < until) {
        const int channel = static_cast<int>(random() % 2);
        const bool now = random() % 2;
        switch (random() % 6) {
          case 0:
            voices->SetSound(channel, static_cast<int>(random() % 3) - 1, now);
            break;
          case 1:
            voices->SetFrequency(channel, 8000 + random() % 40000, now);
            break;
          case 2:
            voices->SetVolume(channel, (random() % 200) / 100.0, (random() % 100) / 100.0, now);
            break;
          case 3:
            voices->SetMasterGain((random() % 300) / 100.0);
            break;
          case 4:
            voices->PendingFrames();
            break;
          case 5:
            voices->Play(random() % 4 != 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 500));
      }
    };
    std::thread a(changer, 1);
    std::thread b(changer, 2);
    a.join();
    b.join();
    voices->Play(true);
    // Restart both channels so that the hook is sure to run again before the end.
    for (int c = 0; c < 2; ++c) Start(*voices, c, 0, 44100, 1.0, c);
    const int before = starts.load();
    const auto limit = Clock::now() + std::chrono::seconds(5);
    while (starts.load() < before + 4 && Clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GE(starts.load(), before + 4) << text;
    voices.reset();  // while the hook keeps sounds coming
  }
}

}  // namespace
