#include "audio/VoiceTestHelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "support/TestSupport.h"

namespace voicetest {
namespace {

std::vector<int16_t> Samples(const std::string& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

}  // namespace

Sound Mono16(const std::vector<int16_t>& samples) {
  return {SampleType::kMono16, samples.data(), static_cast<uint32_t>(samples.size())};
}

std::vector<int16_t> SoxSynth(uint32_t rate, double seconds, const std::string& synth) {
  const auto result = testsupport::Run("sox -n -r " + std::to_string(rate) +
                                       " -c 1 -b 16 -e signed -t raw - synth " +
                                       std::to_string(seconds) + " " + synth + " 2>/dev/null");
  EXPECT_EQ(result.exit_code, 0) << synth;
  return Samples(result.out);
}

std::vector<int16_t> Wave::Side(int side) const {
  std::vector<int16_t> out;
  for (size_t i = static_cast<size_t>(side); i < samples.size(); i += 2) out.push_back(samples[i]);
  return out;
}

Wave SoxRead(const std::string& path) {
  Wave wave;
  const std::string quoted = testsupport::ShellQuote(path);
  const auto rate = testsupport::Run("soxi -r " + quoted + " 2>/dev/null");
  EXPECT_EQ(rate.exit_code, 0) << "sox cannot read " << path;
  wave.rate = static_cast<uint32_t>(std::atoi(rate.out.c_str()));
  const auto data =
      testsupport::Run("sox " + quoted + " -t raw -e signed -b 16 -c 2 - 2>/dev/null");
  EXPECT_EQ(data.exit_code, 0);
  wave.samples = Samples(data.out);
  return wave;
}

double ZeroCrossingFrequency(const std::vector<int16_t>& signal, uint32_t rate) {
  size_t first = 0;
  size_t last = 0;
  size_t crossings = 0;
  for (size_t i = 1; i < signal.size(); ++i) {
    if (signal[i - 1] < 0 && signal[i] >= 0) {
      if (crossings == 0) first = i;
      last = i;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return static_cast<double>(crossings - 1) * rate / static_cast<double>(last - first);
}

audio::voices::OutputChoice FileOutput(const std::string& path) {
  return audio::voices::ParseOutputChoice("file:" + path, "");
}

std::unique_ptr<VoiceOutput> Allocate(const audio::voices::OutputChoice& out, uint32_t rate,
                                      std::function<void(int)> hook) {
  audio::voices::VoiceConfig config;
  config.mix_frequency = rate;
  config.sound_start_hook = std::move(hook);
  std::string error;
  auto voices = VoiceOutput::Allocate(config, out, &error);
  EXPECT_TRUE(voices) << error;
  return voices;
}

void Start(VoiceOutput& voices, int channel, int sound, uint32_t hz, double volume, double pan) {
  voices.SetFrequency(channel, hz, true);
  voices.SetVolume(channel, volume, pan, true);
  voices.SetSound(channel, sound, true);
}

std::function<void(int)> PlayOnceHook(VoiceOutput** voices) {
  return [voices](int channel) { (*voices)->SetSound(channel, audio::voices::kNoSound, false); };
}

double PlayUntilSilent(VoiceOutput& voices, int channels) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(voices.Play(true));
  const auto limit = start + std::chrono::seconds(30);
  auto playing = [&] {
    for (int c = 0; c < channels; ++c) {
      if (voices.IsPlaying(c)) return true;
    }
    return false;
  };
  while (playing() && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_FALSE(playing()) << "still playing after 30 s";
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace voicetest
