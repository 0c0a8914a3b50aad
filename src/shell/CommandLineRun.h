// The command-line run: plays the named sound files, folders and playlists one
// after the other, printing one information line per song, until the list ends
// or the user breaks (Ctrl-C). Every name that cannot be played is reported.
//
// Only regular files are opened: a FIFO, a socket or a device that is not a disc
// would block the run. A folder plays the sound files below it in sorted order;
// an M3U/M3U8 or PLS list plays each song it names; any other file that is not a
// sound file is read as a text list of names, which ends at its first line that
// is empty or not a song. A relative name in a list is looked for beside the
// list first, then as written.
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
  // Null when the file is not a song; *unsupported then names a format that was
  // recognised but cannot be played ("A-law AU"), or stays empty.
  std::function<decoders::TrackPtr(const std::string& path, std::string* unsupported)> identify;
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

struct CommandLineOutcome {
  bool broken = false;  // Ctrl-C ended the run
  bool failed = false;  // some name, line or song could not be played
};

// Plays every name in order.
CommandLineOutcome RunCommandLine(const CommandLineRun& run, const std::vector<std::string>& names);

// "MM:SS TYPE FREQHz BITS bits[ stereo] 'name'\n"
std::string FormatInformationLine(const decoders::TrackInfo& track, const std::string& name);

}  // namespace shell
