// Feeds arbitrary lines to the command port's table, performed on the real
// player core over a silent engine with three songs listed. Each line is one
// command, as a client would send it. Only names that do not exist are added,
// so the fuzzer never reads or walks the machine's files.
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "player/PlayerCore.h"
#include "port/CommandTable.h"

namespace {

class SilentEngine : public player::TransportEngine {
 public:
  bool Play(const decoders::TrackInfo&) override { return state_ = 1, true; }
  void Stop() override { state_ = 3; }
  void Pause(bool on) override { state_ = on ? 2 : 1; }
  void SeekTo(double seconds) override { time_ = seconds; }
  void SeekBy(bool, double step) override { time_ += step; }
  void SetSpeed(double) override {}
  double Time() override { return time_; }
  int State() override { return state_; }
  void SetVolume(int) override {}
  void SetBalance(int) override {}
  void SetTone(bool, int, int) override {}
  void SetFilter(bool) override {}
  void SetExpand(bool) override {}

 private:
  int state_ = 3;
  double time_ = 0;
};

// The core, except that names of things that exist are not added: "open /"
// would otherwise walk the whole file system, once per input.
class SandboxedCore : public player::PlayerCore {
 public:
  using PlayerCore::PlayerCore;
  void AddNames(const std::vector<std::string>& names, bool no_playlist,
                bool clear_first) override {
    std::vector<std::string> absent;
    for (const std::string& name : names) {
      struct stat info {};
      if (::stat(name.c_str(), &info) != 0) absent.push_back(name);
    }
    PlayerCore::AddNames(absent, no_playlist, clear_first);
  }
};

decoders::TrackPtr Identify(const std::string& path) {
  auto track = std::make_unique<decoders::TrackInfo>();
  track->path = path;
  track->frequency = 44100;
  track->length = 44100 * 200;
  return track;
}

}  // namespace

int FuzzPort(const uint8_t* data, size_t size) {
  SilentEngine engine;
  SandboxedCore core(engine, Identify);
  player::Playlist store;
  for (const char* line : {"/a.wav\tTITLE=One\tARTIST=A", "/b.mp3\tTITLE=Two", "CDDA:IDx-01"})
    core.InsertEntry(player::Playlist_AddStored(store, line), -1);
  std::ostringstream unknown;
  port::CommandTable table(core, unknown);
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    port::FormatReply(table.Execute(rest.substr(0, end)));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  return 0;
}

TW_FUZZ_ENTRY(FuzzPort)
