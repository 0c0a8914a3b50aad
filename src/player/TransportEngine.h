// What play sequencing needs of the audio engine, so the sequencing logic can be
// tested on its own; AudioEngineTransport() is the real engine.
#pragma once

#include <memory>

#include "decoders/TrackInfo.h"

namespace player {

class TransportEngine {
 public:
  virtual ~TransportEngine() = default;
  virtual bool Play(const decoders::TrackInfo& track) = 0;  // applies the current speed
  virtual void Stop() = 0;
  virtual void Pause(bool on) = 0;
  virtual void SeekTo(double seconds) = 0;
  virtual void SeekBy(bool fine, double step) = 0;
  virtual void SetSpeed(double percent) = 0;
  virtual double Time() = 0;  // seconds heard of the song
  virtual int State() = 0;    // 4 = played to its end
  virtual void SetVolume(int volume) = 0;
  virtual void SetBalance(int balance) = 0;
  // REPLAYGAIN and REPLAYGAIN_PREAMP; engines without an output ignore them.
  virtual void SetReplayGain(int /*mode*/, int /*preamp_db*/) {}
  virtual void SetTone(bool active, int bass_db, int treble_db) = 0;
  virtual void SetFilter(bool on) = 0;
  virtual void SetExpand(bool on) = 0;
};

// The running audio engine (Engine_* operations); it must have been started.
std::unique_ptr<TransportEngine> AudioEngineTransport();

// Karaoke hand-off: play gives the song to the lyrics display, stop resets it, and
// the tick passes the position. Does nothing until the karaoke display exists.
class KaraokeListener {
 public:
  virtual ~KaraokeListener() = default;
  virtual void OnSongStarted(const decoders::TrackInfo& /*track*/) {}
  virtual void OnReset() {}
  virtual void OnPosition(double /*seconds*/) {}
};

}  // namespace player
