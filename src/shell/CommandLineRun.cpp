#include "shell/CommandLineRun.h"

#include <sys/stat.h>

#include <cinttypes>

#include "platform/TextLines.h"
#include "player/PlaylistFiles.h"
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

// What a name is, found without opening it.
struct NameFacts {
  bool exists = false;
  bool folder = false;
  bool openable = false;  // a regular file with something in it
};

NameFacts Examine(const std::string& name) {
  struct stat info{};
  NameFacts facts;
  if (::stat(name.c_str(), &info) != 0) return facts;
  facts.exists = true;
  facts.folder = S_ISDIR(info.st_mode);
  facts.openable = S_ISREG(info.st_mode) && info.st_size > 0;
  return facts;
}

class Runner {
 public:
  explicit Runner(const CommandLineRun& run) : run_(run) {}

  CommandLineOutcome Run(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      if (Broken()) break;
      PlayName(name);
    }
    return {broken_, failed_};
  }

 private:
  bool Broken() {
    if (!broken_ && run_.signals && run_.signals->Take(run_.break_bit)) broken_ = true;
    return broken_;
  }

  bool IsDisc(const std::string& name) const {
    return run_.is_disc && run_.expand_disc && run_.is_disc(name);
  }

  void Report(int text_id, const std::string& name) {
    std::fprintf(run_.out, Texts_Get(text_id), name.c_str());
    failed_ = true;
  }

  void ReportUnplayable(const std::string& name, const std::string& unsupported) {
    if (unsupported.empty()) {
      Report(9001, name);
      return;
    }
    std::fprintf(run_.out, Texts_Get(9004), name.c_str(), unsupported.c_str());
    failed_ = true;
  }

  void PlayName(const std::string& name) {
    const NameFacts facts = Examine(name);
    if (facts.folder && !IsDisc(name)) {
      PlayFolder(name);
      return;
    }
    std::string unsupported;
    if (PlaySongOrDisc(name, name, true, &unsupported)) return;
    if (!unsupported.empty() || !facts.openable) {
      ReportUnplayable(name, unsupported);
    } else if (player::IsForeignPlaylistName(name)) {
      PlayForeignList(name);
    } else {
      PlayTextList(name);
    }
  }

  // Plays the name as one song, or as a disc when discs are allowed. False when
  // it is neither; *unsupported may then say why. A name that does not exist is
  // still offered: it may be a CD track's pseudo-path.
  bool PlaySongOrDisc(const std::string& path, const std::string& shown, bool allow_disc,
                      std::string* unsupported) {
    if (allow_disc && IsDisc(path)) {
      PlayDisc(path);
      return true;
    }
    const NameFacts facts = Examine(path);
    if (facts.exists && !facts.openable) return false;
    decoders::TrackPtr track = run_.identify(path, unsupported);
    if (!track) return false;
    PlaySong(*track, shown);
    return true;
  }

  void PlayDisc(const std::string& name) {
    const std::vector<decoders::TrackPtr> tracks = run_.expand_disc(name);
    if (tracks.empty()) Report(9001, name);
    for (const decoders::TrackPtr& track : tracks) {
      if (Broken()) return;
      PlaySong(*track, track->path);
    }
  }

  // The sound files below the folder; other files are passed over in silence.
  void PlayFolder(const std::string& folder) {
    bool any = false;
    for (const std::string& file : player::ListFolderFiles(folder, player::PlaylistLoader::kMaxDepth)) {
      if (Broken()) return;
      std::string unsupported;
      if (PlaySongOrDisc(file, file, false, &unsupported)) {
        any = true;
      } else if (!unsupported.empty()) {
        ReportUnplayable(file, unsupported);
        any = true;
      }
    }
    if (!any && !broken_) Report(9001, folder);
  }

  void PlayForeignList(const std::string& list) {
    const std::vector<std::string> entries = player::ReadForeignPlaylist(list);
    if (entries.empty()) Report(9001, list);
    for (const std::string& entry : entries) {
      if (Broken()) return;
      std::string unsupported;
      if (!PlaySongOrDisc(player::ResolveListedName(list, entry), entry, true, &unsupported))
        ReportUnplayable(entry, unsupported);
    }
  }

  void PlayTextList(const std::string& list) {
    platform::TextFile file(list);
    if (!file.is_open()) {
      Report(9001, list);
      return;
    }
    std::string line;
    bool any = false;
    const bool failed_before = failed_;
    while (!Broken() && file.ReadLine(line)) {
      bool suspect = false;
      const std::string entry = CleanPlaylistLine(line, &suspect);
      if (suspect) Report(9000, list);
      if (entry.empty()) break;  // an empty line ends the list
      std::string unsupported;
      if (!PlaySongOrDisc(player::ResolveListedName(list, entry), entry, true, &unsupported)) {
        // A suspect line was reported already; its control characters stay out of the output.
        if (!suspect) ReportUnplayable(entry, unsupported);
        return;
      }
      any = true;
    }
    if (!any && !broken_ && failed_ == failed_before) Report(9001, list);
  }

  void PlaySong(const decoders::TrackInfo& track, const std::string& name) {
    if (!run_.engine->Play(track)) {
      Report(9001, name);
      return;
    }
    // The line follows the engine's answer, so it never claims a song that did not start.
    if (run_.verbosity > 0) {
      std::fputs(FormatInformationLine(track, name).c_str(), run_.out);
      std::fflush(run_.out);
    }
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
  bool failed_ = false;
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

CommandLineOutcome RunCommandLine(const CommandLineRun& run,
                                  const std::vector<std::string>& names) {
  return Runner(run).Run(names);
}

}  // namespace shell
