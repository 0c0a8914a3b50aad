#include "shell/EngineAdapter.h"

#include "audio/Engine.h"
#include "settings/SettingsGroups.h"

namespace shell {
namespace {

class EngineSession : public PlaybackEngine {
 public:
  ~EngineSession() override { audio::Engine_Shutdown(); }
  bool Play(const decoders::TrackInfo& track) override { return audio::Engine_Play(&track) == 1; }
  void Stop() override { audio::Engine_Stop(); }
  int GetState() override { return audio::Engine_GetState(); }
};

}  // namespace

std::unique_ptr<PlaybackEngine> StartPlaybackEngine(platform::Signals& main, uint32_t notify_bit) {
  const auto buffer_time = static_cast<int32_t>(settings::Audio().buffer_time);
  if (!audio::Engine_Start(buffer_time, &main, notify_bit)) return nullptr;
  return std::make_unique<EngineSession>();
}

}  // namespace shell
