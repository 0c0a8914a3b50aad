// The command-line run: plays the named sound files and playlists one after the
// other, printing one information line per song, until the list ends or the
// user breaks (Ctrl-C).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "decoders/TrackInfo.h"
#include "platform/Signals.h"

namespace shell {

// What the run needs of the audio engine.
class PlaybackEngine {
 public:
  virtual ~PlaybackEngine() = default;
  // Starts playing the track; false when the engine refuses it.
  virtual bool Play(const decoders::TrackInfo& track) = 0;
  virtual void Stop() = 0;
  // The reported state: 1 playing, 2 paused, 3 stopped, 4 finished.
  virtual int GetState() = 0;
};

struct CommandLineRun {
  std::function<decoders::TrackPtr(const std::string&)> identify;
  // A name that stands for a whole disc (a CD device or image) is never
  // identified as a file or read as a playlist: it expands into the disc's tracks.
  std::function<bool(const std::string&)> is_disc;
  std::function<std::vector<decoders::TrackPtr>(const std::string&)> expand_disc;
  PlaybackEngine* engine = nullptr;
  platform::Signals* signals = nullptr;  // the main task's signals
  uint32_t engine_bit = 0;               // set by the engine on every state change
  uint32_t break_bit = platform::Signals::kBreakC;
  int32_t verbosity = 1;
  std::FILE* out = stdout;
};

// Plays every name in order. Returns false when the run was broken.
bool RunCommandLine(const CommandLineRun& run, const std::vector<std::string>& names);

// "MM:SS TYPE FREQHz BITS bits[ stereo] 'name'\n"
std::string FormatInformationLine(const decoders::TrackInfo& track, const std::string& name);

}  // namespace shell
