#include "shell/Application.h"

#include <cstdio>

#include "cdda/CdCommandLine.h"
#include "decoders/Decoders.h"
#include "platform/AtomicFile.h"
#include "platform/BreakSignal.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsGroups.h"
#include "shell/CommandLineRun.h"
#include "shell/EngineAdapter.h"
#include "shell/HeadlessRun.h"
#include "shell/StartupOptions.h"
#include "shell/Texts.h"

namespace shell {
namespace {

constexpr uint32_t kEngineNotifyBit = 1u << 16;

void LoadSettings() {
  const std::string path = settings::Settings_DefaultPath();
  platform::RemoveStaleTemporaries(path);
  settings::SetAudioDefaults();
  settings::Settings_Load(path);
}

WindowedRunner windowed_runner = nullptr;

int RunWindowed(const StartupOptions& options, platform::Signals& signals,
                player::PlayerStateKeeper* state) {
  if (windowed_runner)
    return windowed_runner(WindowedStart{options, signals, kEngineNotifyBit, state});
  std::fprintf(stderr,
               "This Tunewright was built without its window.\n"
               "Play files from the command line instead: tunewright FILE...\n"
               "or run the player without a window: tunewright --headless FILE...\n");
  return kExitFailed;
}

decoders::TrackPtr IdentifyExplained(const std::string& path, std::string* unsupported) {
  decoders::TrackPtr track = decoders::Decoder_Identify(path);
  if (!track && unsupported) *unsupported = decoders::Decoder_LastUnsupported();
  return track;
}

int RunCommandLineMode(const StartupOptions& options, platform::Signals& signals,
                       PlaybackEngine& engine) {
  CommandLineRun run;
  run.identify = IdentifyExplained;
  run.is_disc = cdda::CDDA_IsDiscName;
  run.expand_disc = cdda::CDDA_ExpandDiscName;
  run.engine = &engine;
  run.signals = &signals;
  run.engine_bit = kEngineNotifyBit;
  run.verbosity = options.verbosity;
  return RunCommandLine(run, options.names).failed ? kExitFailed : kExitDone;
}

int RunHeadlessMode(const StartupOptions& options, platform::Signals& signals,
                    player::PlayerStateKeeper* state) {
  HeadlessRun run;
  run.state = state;
  run.signals = &signals;
  run.engine_bit = kEngineNotifyBit;
  run.verbosity = options.verbosity;
  return RunHeadless(run, options.names) ? kExitDone : kExitFailed;
}

// Splits "--headless" off the words; the rest are the template's.
bool TakeHeadlessFlag(std::vector<std::string>& words) {
  const auto before = words.size();
  std::erase(words, std::string("--headless"));
  return words.size() != before;
}

// The runs that keep a playlist keep the player's state: the headless player and
// the window. Asked before the real parse, on a copy of the settings it changes.
bool KeepsPlayerState(const std::vector<std::string>& words, bool headless) {
  if (headless) return true;
  settings::AudioSettings scratch = settings::Audio();
  const std::optional<StartupOptions> options = ParseStartupOptions(words, scratch);
  return options && options->windowed;
}

std::optional<StartupOptions> ParseWords(const std::vector<std::string>& words, bool headless) {
  // Headless without names waits for commands: that is not a usage error.
  if (headless && words.empty()) return StartupOptions{};
  return ParseStartupOptions(words, settings::Audio());
}

}  // namespace

void SetWindowedRunner(WindowedRunner runner) { windowed_runner = runner; }

std::string VersionLine() { return std::string("Tunewright ") + TUNEWRIGHT_VERSION; }

std::string UsageText() {
  std::string text = "\n" + VersionLine() + "\n\n" + Texts_Get(0) + "\n";
  for (int i = 0; const char* description = decoders::Decoders_GetDescription(i); ++i) {
    text += std::string(description) + "\n";
  }
  return text + "\n";
}

std::string HelpText() {
  std::string text = UsageText() + "Options:\n";
  for (const char* line : kStartupOptionLines) text += std::string("  ") + line + "\n";
  return text;
}

int RunApplication(std::vector<std::string> words) {
  const bool headless = TakeHeadlessFlag(words);
  platform::Signals signals;
  platform::RouteBreakSignals(signals);
  Texts_Open();
  LoadSettings();
  if (!decoders::Decoders_Init()) {
    std::fputs("tunewright: the sound formats cannot be prepared\n", stderr);
    Texts_Close();
    return kExitFailed;
  }
  const bool help = words.size() == 1 && words[0] == "--help";
  // The saved player state goes under the command line, whose values hold for this run.
  std::optional<player::PlayerStateKeeper> state;
  if (!help && KeepsPlayerState(words, headless)) state.emplace(player::PlayerState_DefaultPath());
  const auto options = help ? std::nullopt : ParseWords(words, headless);
  if (!options) {
    // Help is asked for; a usage text after a mistake goes where errors go.
    std::fputs(help ? HelpText().c_str() : UsageText().c_str(), help ? stdout : stderr);
    decoders::Decoders_Exit();
    Texts_Close();
    return help ? kExitDone : kExitUsage;
  }
  int code = kExitFailed;
  {
    std::unique_ptr<PlaybackEngine> engine = StartPlaybackEngine(signals, kEngineNotifyBit);
    if (!engine) {
      std::fputs("tunewright: the audio engine cannot start\n", stderr);
    } else if (headless) {
      code = RunHeadlessMode(*options, signals, state ? &*state : nullptr);
    } else if (options->windowed) {
      code = RunWindowed(*options, signals, state ? &*state : nullptr);
    } else {
      code = RunCommandLineMode(*options, signals, *engine);
    }
  }  // the engine shuts down here, before the registry
  decoders::Decoders_Exit();
  Texts_Close();
  return code;
}

}  // namespace shell
