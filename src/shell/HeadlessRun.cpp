#include "shell/HeadlessRun.h"

#include <sys/stat.h>

#include <cstdio>
#include <iostream>

#include "decoders/Decoders.h"
#include "player/DiscPoll.h"
#include "player/MainLoop.h"
#include "player/PlayerCore.h"
#include "player/SongDatabase.h"
#include "player/TransportEngine.h"
#include "port/MprisService.h"
#include "port/PortServer.h"
#include "settings/SettingsGroups.h"
#include "shell/CommandLineRun.h"
#include "shell/Texts.h"

namespace shell {
namespace {

void PrintSongLine(const decoders::TrackInfo& track) {
  std::fputs(FormatInformationLine(track, track.path).c_str(), stdout);
  std::fflush(stdout);
}

// Why a name that added nothing was refused, when a format module knows.
std::string UnsupportedReason(const std::string& name) {
  struct stat info{};
  if (::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return "";
  return decoders::Decoder_Identify(name) ? "" : decoders::Decoder_LastUnsupported();
}

// Adds the names one by one, so that each one that adds nothing can be named.
bool AddNamesReportingFailures(player::PlayerCore& core, const std::vector<std::string>& names) {
  bool all_added = true;
  for (const std::string& name : names) {
    const int before = core.RowCount();
    core.AddNames({name}, false, false);
    if (core.RowCount() > before) continue;
    const std::string unsupported = UnsupportedReason(name);
    if (unsupported.empty()) {
      std::fprintf(stdout, Texts_Get(9001), name.c_str());
    } else {
      std::fprintf(stdout, Texts_Get(9004), name.c_str(), unsupported.c_str());
    }
    all_added = false;
  }
  return all_added;
}

}  // namespace

bool RunHeadless(const HeadlessRun& run, const std::vector<std::string>& names) {
  const std::unique_ptr<player::TransportEngine> engine = player::AudioEngineTransport();
  player::SongDatabase database;
  if (run.load_database) database.LoadFromSettings();
  player::PlayerCore core(*engine, player::IdentifyPlayable, database.Lookup());
  if (run.verbosity > 0) core.SetSongStartedCallback(PrintSongLine);

  player::MainLoopConfig config;
  config.signals = run.signals;
  config.engine_bit = run.engine_bit;
  config.end_when_idle = !names.empty();
  player::MainLoop loop(core, config);
  player::DiscPollSource disc_poll(core);
  loop.AddSource(&disc_poll);

  // Declared after the loop and the core, so they go (and the socket with them) first.
  std::unique_ptr<port::PortServer> server;
  std::unique_ptr<port::MprisService> mpris;
  if (run.serve_port) {
    std::string error;
    server = port::PortServer::Open(core, std::cout, port::PortServerOptions{}, &error);
    if (server) {
      loop.AddSource(server.get());
    } else {
      std::fprintf(stderr, "tunewright: no command port: %s\n", error.c_str());
    }
    mpris = port::MprisService::Open(core);
    if (mpris) loop.AddSource(mpris.get());
  }

  // A restored list keeps its highlighted row; AUTO_PLAY applies to it as to a loaded one.
  const bool restored = run.state && run.state->Start(core, names.empty());
  const bool all_added = AddNamesReportingFailures(core, names);
  if (restored) {
    if (settings::Main().Fetch().auto_play) core.PressPlay();
  } else if (names.empty()) {
    core.StartUp();
  } else {
    if (core.RowCount() == 0) {
      std::fputs("tunewright: nothing to play\n", stderr);
      return false;
    }
    core.SetHighlighted(0);
    core.PressPlay();
  }
  loop.Run();
  core.Stop();
  if (run.state && !run.state->Save(core))
    std::fprintf(stderr, "tunewright: the player state could not be saved\n");
  return all_added;
}

}  // namespace shell
