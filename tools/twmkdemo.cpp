// twmkdemo OUT.wav: writes the demo song that ships with every build, a short
// two-voice tune in a 44100 Hz 16-bit stereo WAVE file, made without any outside tool.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"

namespace {

constexpr int kRate = 44100;
constexpr double kBeat = 0.25;  // seconds per note

// MIDI-style note numbers; 0 is a rest.
constexpr int kMelody[] = {72, 74, 76, 77, 79, 79, 81, 79, 77, 76, 74, 72, 74, 76, 72, 0,
                           67, 69, 71, 72, 74, 76, 77, 79, 77, 76, 74, 72, 71, 72, 72, 0};
constexpr int kBass[] = {48, 48, 55, 55, 53, 53, 55, 55, 48, 48, 43, 43, 48, 48, 48, 0,
                         43, 43, 50, 50, 48, 48, 53, 53, 50, 50, 43, 43, 48, 48, 48, 0};

double NoteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// A plucked tone: sine with a fast attack and an exponential decay.
double Voice(int note, double t) {
  if (note == 0) return 0.0;
  const double envelope = std::min(1.0, t * 200.0) * std::exp(-t * 5.0);
  return envelope * std::sin(2.0 * std::numbers::pi * NoteHz(note) * t);
}

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: twmkdemo OUT.wav\n");
    return 2;
  }
  const int notes = static_cast<int>(std::size(kMelody));
  const int frames_per_note = static_cast<int>(kRate * kBeat);
  const uint32_t frames = static_cast<uint32_t>(notes * frames_per_note * 2);  // played twice
  std::string data;
  data.reserve(frames * 4);
  for (uint32_t f = 0; f < frames; ++f) {
    const int index = static_cast<int>(f / frames_per_note) % notes;
    const double t = static_cast<double>(f % frames_per_note) / kRate;
    const double melody = Voice(kMelody[index], t), bass = Voice(kBass[index], t);
    // Melody leans right, bass leans left.
    const double left = 0.25 * melody + 0.45 * bass, right = 0.45 * melody + 0.25 * bass;
    PutLe(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(left * 32767))), 2);
    PutLe(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(right * 32767))), 2);
  }
  std::string file = "RIFF";
  PutLe(file, static_cast<uint32_t>(36 + data.size()), 4);
  file += "WAVEfmt ";
  PutLe(file, 16, 4);
  PutLe(file, 1, 2);  // PCM
  PutLe(file, 2, 2);
  PutLe(file, kRate, 4);
  PutLe(file, kRate * 4, 4);
  PutLe(file, 4, 2);
  PutLe(file, 16, 2);
  file += "data";
  PutLe(file, static_cast<uint32_t>(data.size()), 4);
  file += data;
  if (!platform::WriteFileAtomically(argv[1], file)) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
