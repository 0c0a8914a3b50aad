#include "shell/CommandLineRun.h"

#include <cinttypes>

#include "platform/TextLines.h"
#include "shell/Texts.h"

namespace shell {
namespace {

constexpr int kStateFinished = 4;

// A TAB or newline ends a playlist line, but the scan goes on; any other
// control character makes the list suspect and stops the scan, and the line is
// still tried as far as it was cut.
std::string CleanPlaylistLine(const std::string& line, bool* suspect) {
  size_t cut = std::string::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if (byte == '\n' || byte == '\t') {
      if (cut == std::string::npos) cut = i;
    } else if (byte < 32) {
      *suspect = true;
      break;
    }
  }
  return line.substr(0, cut);
}

class Runner {
 public:
  explicit Runner(const CommandLineRun& run) : run_(run) {}

  bool Run(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      if (broken_ || TakeBreak()) return false;
      PlayName(name);
    }
    return !broken_;
  }

 private:
  bool TakeBreak() {
    if (run_.signals && run_.signals->Take(run_.break_bit)) broken_ = true;
    return broken_;
  }

  void PlayName(const std::string& name) {
    if (run_.is_disc && run_.expand_disc && run_.is_disc(name)) {
      PlayDisc(name);
      return;
    }
    if (auto track = run_.identify(name)) {
      PlaySong(*track, name);
      return;
    }
    platform::TextFile playlist(name);
    if (!playlist.is_open()) {
      std::fprintf(run_.out, Texts_Get(9001), name.c_str());
      return;
    }
    PlayPlaylist(playlist, name);
  }

  void PlayDisc(const std::string& name) {
    const std::vector<decoders::TrackPtr> tracks = run_.expand_disc(name);
    if (tracks.empty()) std::fprintf(run_.out, Texts_Get(9001), name.c_str());
    for (const decoders::TrackPtr& track : tracks) {
      if (broken_ || TakeBreak()) return;
      PlaySong(*track, track->path);
    }
  }

  void PlayPlaylist(platform::TextFile& playlist, const std::string& name) {
    std::string line;
    while (!broken_ && playlist.ReadLine(line)) {
      bool suspect = false;
      const std::string entry = CleanPlaylistLine(line, &suspect);
      if (suspect) std::fprintf(run_.out, Texts_Get(9000), name.c_str());
      auto track = run_.identify(entry);
      if (!track) return;  // the list ends silently at its first unplayable line
      PlaySong(*track, entry);
      TakeBreak();
    }
  }

  void PlaySong(const decoders::TrackInfo& track, const std::string& name) {
    if (run_.verbosity > 0) {
      std::fputs(FormatInformationLine(track, name).c_str(), run_.out);
      std::fflush(run_.out);
    }
    if (!run_.engine->Play(track)) return;
    WaitForEndOrBreak();
    run_.engine->Stop();
  }

  void WaitForEndOrBreak() {
    while (true) {
      const uint32_t got = run_.signals->Wait(run_.engine_bit | run_.break_bit);
      if (got & run_.break_bit) {
        broken_ = true;
        return;
      }
      if (run_.engine->GetState() == kStateFinished) return;
    }
  }

  const CommandLineRun& run_;
  bool broken_ = false;
};

}  // namespace

std::string FormatInformationLine(const decoders::TrackInfo& track, const std::string& name) {
  const int64_t seconds = track.frequency > 0 ? track.length / track.frequency : 0;
  char head[64];
  std::snprintf(head, sizeof head, "%02" PRId64 ":%02" PRId64 " ", seconds / 60, seconds % 60);
  char format[128];
  std::snprintf(format, sizeof format, "%s %dHz %d bits", track.type_text,
                static_cast<int>(track.frequency), static_cast<int>(track.bits));
  std::string line = std::string(head) + format;
  if (track.stereo) line += " stereo";
  return line + " '" + name + "'\n";
}

bool RunCommandLine(const CommandLineRun& run, const std::vector<std::string>& names) {
  return Runner(run).Run(names);
}

}  // namespace shell
