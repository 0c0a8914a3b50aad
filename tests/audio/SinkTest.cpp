// The sinks behind the voices: the TUNEWRIGHT_OUTPUT choice, real-time pacing
// of the null sinks, ALSA receiving every frame, and the WAVE file's life.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "audio/VoiceTestHelpers.h"
#include "support/TestSupport.h"

using namespace voicetest;

namespace {

using Kind = OutputChoice::Kind;

// Plays samples once on channel 0 (left) and returns the seconds it took.
double PlayOnce(const OutputChoice& out, const std::vector<int16_t>& samples) {
  VoiceOutput* raw = nullptr;
  auto voices = Allocate(out, 44100, PlayOnceHook(&raw));
  if (!voices) return 0.0;
  raw = voices.get();
  voices->LoadSound(0, Mono16(samples));
  Start(*voices, 0, 0, 44100, 1.0, 0.0);
  const double seconds = PlayUntilSilent(*voices);
  EXPECT_EQ(voices->PendingFrames(), 0u);
  return seconds;
}

TEST(SinkChoice, ParsesTheVariable) {
  struct Case {
    const char* text;
    Kind kind;
    const char* target;
  };
  for (const Case c :
       {Case{"", Kind::kAlsa, "hw:1,0"}, Case{"alsa", Kind::kAlsa, "hw:1,0"},
        Case{"alsa:", Kind::kAlsa, "default"}, Case{"ALSA:null", Kind::kAlsa, "null"},
        Case{"alsa:plughw:0,0", Kind::kAlsa, "plughw:0,0"},
        Case{"file:/tmp/a:b.wav", Kind::kFile, "/tmp/a:b.wav"}, Case{"null", Kind::kNull, ""}}) {
    const OutputChoice choice = ParseOutputChoice(c.text, "hw:1,0");
    EXPECT_EQ(choice.kind, c.kind) << c.text;
    EXPECT_EQ(choice.target, c.target) << c.text;
    EXPECT_TRUE(choice.error.empty()) << c.text;
  }
  EXPECT_EQ(ParseOutputChoice("", "").target, "default");
  for (const char* bad : {"file:", "nul", "pulse"}) {
    const OutputChoice choice = ParseOutputChoice(bad, "");
    EXPECT_NE(choice.error.find("TUNEWRIGHT_OUTPUT"), std::string::npos) << bad;
    std::string error;
    EXPECT_FALSE(VoiceOutput::Allocate({}, choice, &error));
    EXPECT_EQ(error, choice.error);
  }
}

TEST(SinkChoice, UnopenableOutputsNameTheVariable) {
  testsupport::TempDir dir;
  for (const std::string& text :
       std::vector<std::string>{"alsa:no_such_device_here", "file:" + dir.File("none/x.wav")}) {
    std::string error;
    EXPECT_FALSE(VoiceOutput::Allocate({}, ParseOutputChoice(text, ""), &error)) << text;
    EXPECT_NE(error.find("TUNEWRIGHT_OUTPUT"), std::string::npos) << error;
    EXPECT_NE(error.find(text.substr(text.find(':') + 1)), std::string::npos) << error;
  }
}

TEST(SinkPacing, NullSinksPlayInRealTime) {
  const std::vector<int16_t> second(44100, 1000);
  for (const char* text : {"null", "alsa:null"}) {
    const double seconds = PlayOnce(ParseOutputChoice(text, ""), second);
    EXPECT_GT(seconds, 0.9) << text;
    EXPECT_LT(seconds, 2.5) << text;
  }
}

TEST(SinkAlsa, EveryFrameReachesAlsasNullDevice) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  // ALSA's file plugin keeps a copy of what it hands to its null slave.
  const std::string raw = dir.File("copy.raw");
  const auto noise = SoxSynth(44100, 0.5, "whitenoise");
  const double seconds =
      PlayOnce(ParseOutputChoice("alsa:file:FILE=" + raw + ",FORMAT=raw", ""), noise);
  EXPECT_GT(seconds, 0.4);
  const auto bytes = testsupport::ReadBinaryFile(raw);
  ASSERT_GE(bytes.size(), noise.size() * 4);
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  for (size_t i = 0; i < samples.size() / 2; ++i) {
    const int16_t want_left = i < noise.size() ? noise[i] : 0;  // silence after the sound
    ASSERT_EQ(samples[2 * i], want_left) << "frame " << i;
    ASSERT_EQ(samples[2 * i + 1], 0) << "frame " << i;
  }
}

TEST(SinkFile, LaterOutputsAppendAtTheFirstRate) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const std::string path = dir.File("songs.wav");
  const std::vector<int16_t> first(300, 111);
  const std::vector<int16_t> second(200, 222);
  PlayOnce(FileOutput(path), first);
  VoiceOutput* raw = nullptr;
  {
    // A second song asking for 22050 Hz still gets the recording's 44100 Hz.
    auto voices = Allocate(FileOutput(path), 22050, PlayOnceHook(&raw));
    raw = voices.get();
    EXPECT_EQ(voices->MixFrequency(), 44100u);
    voices->LoadSound(0, Mono16(second));
    Start(*voices, 0, 0, 44100, 1.0, 0.0);
    PlayUntilSilent(*voices);
  }
  const Wave wave = SoxRead(path);
  std::vector<int16_t> both(first);
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(wave.rate, 44100u);
  EXPECT_EQ(wave.Side(0), both);
}

// Reads the RIFF and data sizes of a WAVE file's canonical 44-byte header.
std::pair<uint32_t, uint32_t> HeaderSizes(const std::vector<uint8_t>& bytes) {
  auto le32 = [&](size_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
  };
  return {le32(4), le32(40)};
}

TEST(SinkFile, AKilledRenderLeavesAReadableFile) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const std::string path = dir.File("killed.wav");
  const pid_t child = ::fork();
  if (child == 0) {
    // Renders a repeating sound without end: under the virtual clock a repeat comes
    // no sooner than in real time, so the file grows at the pace of playback.
    static const std::vector<int16_t> tone(4410, 1234);
    auto voices = Allocate(FileOutput(path), 44100);
    voices->LoadSound(0, Mono16(tone));
    Start(*voices, 0, 0, 44100, 1.0, 0.0);
    voices->Play(true);
    for (;;) ::pause();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  const auto bytes = testsupport::ReadBinaryFile(path);
  ASSERT_GT(bytes.size(), 44u + 4 * 44100);  // over a second was rendered
  ASSERT_LT(bytes.size(), 44u + 4 * 44100 * 3);
  const auto [riff, data] = HeaderSizes(bytes);
  EXPECT_EQ(riff, data + 36);
  EXPECT_EQ(data % 4, 0u);
  EXPECT_LE(data, bytes.size() - 44);
  EXPECT_GE(data, 4u * 44100);  // the sizes were written after the first second
  const Wave wave = SoxRead(path);
  EXPECT_EQ(wave.frames(), data / 4);
  EXPECT_TRUE(
      std::all_of(wave.samples.begin(), wave.samples.end(),
                  [n = size_t{0}](int16_t s) mutable { return s == ((n++ % 2) ? 0 : 1234); }));
}

TEST(SinkDevices, ListStartsWithDefaultAndHasNull) {
  const auto devices = audio::voices::ListOutputDevices();
  ASSERT_FALSE(devices.empty());
  EXPECT_EQ(devices.front().name, "default");
  EXPECT_TRUE(
      std::any_of(devices.begin(), devices.end(), [](const auto& d) { return d.name == "null"; }));
  for (size_t i = 0; i < devices.size(); ++i) EXPECT_EQ(devices[i].id, i + 1);
}

}  // namespace
