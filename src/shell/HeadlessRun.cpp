#include "shell/HeadlessRun.h"

#include <cstdio>

#include "player/PlayerCore.h"
#include "player/TransportEngine.h"
#include "shell/CommandLineRun.h"

namespace shell {

void RunHeadless(const HeadlessRun& run, const std::vector<std::string>& names) {
  const std::unique_ptr<player::TransportEngine> engine = player::AudioEngineTransport();
  player::PlayerCore core(*engine, player::IdentifyPlayable);
  if (run.verbosity > 0) {
    core.SetSongStartedCallback([](const decoders::TrackInfo& track) {
      std::fputs(FormatInformationLine(track, track.path).c_str(), stdout);
      std::fflush(stdout);
    });
  }
  if (run.on_core_ready) run.on_core_ready(core);

  player::MainLoopConfig config;
  config.signals = run.signals;
  config.engine_bit = run.engine_bit;
  config.end_when_idle = !names.empty();
  player::MainLoop loop(core, config);
  for (player::PollSource* source : run.sources) loop.AddSource(source);

  core.AddNames(names, false, false);
  if (!names.empty()) {
    core.SetHighlighted(0);
    core.PressPlay();
  }
  loop.Run();
  core.Stop();
}

}  // namespace shell
