#include "audio/voices/Pacer.h"

#include <thread>

namespace audio::voices {
namespace {

// A stall longer than this (a suspended machine, a debugger) is not made up for.
constexpr std::chrono::milliseconds kMaxLag{500};

}  // namespace

void Pacer::Restart() {
  origin_ = std::chrono::steady_clock::now();
  frames_ = 0;
}

void Pacer::Wait(uint32_t frames) {
  if (frames_ == 0 && origin_ == std::chrono::steady_clock::time_point{}) Restart();
  frames_ += frames;
  // Whole seconds apart, so that days of playing cannot overflow the nanoseconds.
  const auto due = origin_ + std::chrono::seconds(frames_ / rate_) +
                   std::chrono::nanoseconds(frames_ % rate_ * 1000000000ull / rate_);
  const auto now = std::chrono::steady_clock::now();
  if (now > due + kMaxLag) {
    Restart();
    return;
  }
  std::this_thread::sleep_until(due);
}

}  // namespace audio::voices
