#include "player/TransportEngine.h"

#include "audio/Engine.h"

namespace player {
namespace {

class AudioEngine : public TransportEngine {
 public:
  bool Play(const decoders::TrackInfo& track) override { return audio::Engine_Play(&track) == 1; }
  void Stop() override { audio::Engine_Stop(); }
  void Pause(bool on) override { audio::Engine_Pause(on); }
  void SeekTo(double seconds) override { audio::Engine_SeekTo(seconds); }
  void SeekBy(bool fine, double step) override { audio::Engine_SeekBy(fine ? 1 : 0, step); }
  void SetSpeed(double percent) override { audio::Engine_SetSpeed(percent); }
  double Time() override { return audio::Engine_GetTime(); }
  int State() override { return audio::Engine_GetState(); }
  void SetVolume(int volume) override { audio::Engine_SetVolume(volume); }
  void SetBalance(int balance) override { audio::Engine_SetBalance(balance); }
  void SetReplayGain(int mode, int preamp_db) override {
    audio::Engine_SetReplayGain(mode, preamp_db);
  }
  void SetTone(bool active, int bass_db, int treble_db) override {
    audio::Engine_SetBassTreble(bass_db, treble_db);
    audio::Engine_SetToneActive(active ? 1 : 0);
  }
  void SetFilter(bool on) override { audio::Engine_SetFilter(on ? 1 : 0); }
  void SetExpand(bool on) override { audio::Engine_SetExpand(on ? 1 : 0); }
};

}  // namespace

std::unique_ptr<TransportEngine> AudioEngineTransport() { return std::make_unique<AudioEngine>(); }

}  // namespace player
