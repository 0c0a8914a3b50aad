// The null sink: discards frames, taking them at the pace they would be heard.
#include <memory>

#include "audio/voices/Pacer.h"
#include "audio/voices/Sink.h"

namespace audio::voices {
namespace {

class NullSink final : public Sink {
 public:
  explicit NullSink(uint32_t rate) : rate_(rate), pacer_(rate) {}

  uint32_t Rate() const override { return rate_; }
  bool RealTime() const override { return true; }
  bool Start() override {
    pacer_.Restart();
    return true;
  }
  void Pause() override {}
  bool Write(const int16_t*, uint32_t count, uint32_t) override {
    pacer_.Wait(count);
    return true;
  }
  uint32_t PendingFrames() const override { return 0; }

 private:
  uint32_t rate_;
  Pacer pacer_;
};

}  // namespace

std::unique_ptr<Sink> OpenNullSink(uint32_t rate) {
  return std::make_unique<NullSink>(rate == 0 ? kDefaultRate : rate);
}

}  // namespace audio::voices
