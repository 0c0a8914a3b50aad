#include "player/PlayerStateFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "player/PlaylistFiles.h"
#include "settings/SettingsGroups.h"

namespace player {
namespace {

constexpr const char* kHeader = "TUNEWRIGHT_STATE=1";
constexpr const char* kEnd = "END";
constexpr const char* kRowKey = "ROW";
constexpr const char* kHighlightedKey = "HIGHLIGHTED";
constexpr off_t kMaxFileBytes = off_t{32} << 20;
constexpr size_t kMaxRows = PlaylistLoader::kMaxEntries;

// The numbered values, with their ranges, in the order they are written.
struct NumberKey {
  const char* key;
  int32_t low;
  int32_t high;
  int32_t PlayerState::*number;
  bool PlayerState::*flag;
};
constexpr NumberKey kNumberKeys[] = {
    {"VOLUME", 0, 256, &PlayerState::volume, nullptr},
    {"BALANCE", -64, 64, &PlayerState::balance, nullptr},
    {"BASS", -20, 20, &PlayerState::bass, nullptr},
    {"TREBLE", -20, 20, &PlayerState::treble, nullptr},
    {"FILTER", 0, 1, nullptr, &PlayerState::filter},
    {"EXPAND", 0, 1, nullptr, &PlayerState::expand},
    {"RANDOM", 0, 1, nullptr, &PlayerState::random},
    {"INTRO", 0, 1, nullptr, &PlayerState::intro},
    {"LOOP", 0, 1, nullptr, &PlayerState::loop},
};

std::optional<int32_t> ParseNumber(std::string_view text, int32_t low, int32_t high) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

bool HoldsControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 32 && c != '\t') || byte == 127;
  });
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// One "KEY=value" line into state; false when it does not belong in a state.
bool TakeLine(const std::string& line, PlayerState& state, std::map<std::string, int>& seen) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  const std::string key = line.substr(0, equals);
  const std::string_view value = std::string_view(line).substr(equals + 1);
  if (key == kRowKey) {
    if (value.empty() || HoldsControlCharacter(value) || state.rows.size() >= kMaxRows) return false;
    state.rows.emplace_back(value);
    return true;
  }
  if (++seen[key] > 1) return false;
  if (key == kHighlightedKey) {
    const auto number = ParseNumber(value, -1, INT32_MAX);
    if (!number) return false;
    state.highlighted = *number;
    return true;
  }
  for (const NumberKey& k : kNumberKeys) {
    if (key != k.key) continue;
    const auto number = ParseNumber(value, k.low, k.high);
    if (!number) return false;
    if (k.number) state.*k.number = *number;
    if (k.flag) state.*k.flag = *number != 0;
    return true;
  }
  return false;
}

// The controls as the settings hold them (rows stay empty).
PlayerState ControlsInSettings() {
  const settings::AudioSettings& audio = settings::Audio();
  const settings::MainSettings main = settings::Main().Fetch();
  PlayerState state;
  state.volume = audio.volume;
  state.balance = audio.balance;
  state.bass = audio.bass;
  state.treble = audio.treble;
  state.filter = audio.filter != 0;
  state.expand = audio.expand != 0;
  state.random = main.random != 0;
  state.intro = main.intro != 0;
  state.loop = main.loop != 0;
  return state;
}

std::optional<std::string> ReadWholeFile(const std::string& path, bool* missing) {
  *missing = false;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    *missing = errno == ENOENT;
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode) || info.st_size > kMaxFileBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

}  // namespace

std::string PlayerState_DefaultPath() {
  return platform::ResolveProgDir("PROGDIR:Tunewright.state");
}

std::string PlayerState_Format(const PlayerState& state) {
  std::string text = std::string(kHeader) + "\n";
  for (const NumberKey& k : kNumberKeys) {
    const int32_t value = k.number ? state.*k.number : (state.*k.flag ? 1 : 0);
    text += std::string(k.key) + "=" + std::to_string(value) + "\n";
  }
  text += std::string(kHighlightedKey) + "=" + std::to_string(state.highlighted) + "\n";
  for (const std::string& row : state.rows) text += std::string(kRowKey) + "=" + row + "\n";
  return text + kEnd + "\n";
}

std::optional<PlayerState> PlayerState_Parse(const std::string& text) {
  const std::vector<std::string> lines = SplitLines(text);
  // A state cut short by a full disc or a crash lacks its last line.
  if (lines.size() < 2 || lines.front() != kHeader || lines.back() != kEnd) return std::nullopt;
  PlayerState state;
  std::map<std::string, int> seen;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    if (!TakeLine(lines[i], state, seen)) return std::nullopt;
  }
  if (seen.size() != std::size(kNumberKeys) + 1) return std::nullopt;  // a value missing
  if (state.highlighted >= static_cast<int>(state.rows.size())) return std::nullopt;
  return state;
}

std::optional<PlayerState> PlayerState_Load(const std::string& path) {
  bool missing = false;
  const std::optional<std::string> text = ReadWholeFile(path, &missing);
  if (missing) return std::nullopt;
  std::optional<PlayerState> state = text ? PlayerState_Parse(*text) : std::nullopt;
  if (!state) {
    std::fprintf(stderr, "tunewright: the saved player state %s is damaged and was ignored\n",
                 path.c_str());
  }
  return state;
}

bool PlayerState_Save(const std::string& path, const PlayerState& state) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  return platform::WriteFileAtomically(path, PlayerState_Format(state));
}

PlayerStateKeeper::PlayerStateKeeper(std::string path)
    : path_(std::move(path)), saved_(PlayerState_Load(path_)) {
  if (saved_) PlayerState_ApplyControls(*saved_);
  before_command_line_ = ControlsInSettings();
}

bool PlayerStateKeeper::Start(PlayerCore& core, bool restore_rows) {
  at_start_ = ControlsInSettings();
  if (!saved_ || !restore_rows) return false;
  PlayerState_RestoreRows(core, *saved_);
  return core.RowCount() > 0;
}

bool PlayerStateKeeper::Save(const PlayerCore& core) const {
  PlayerState state = PlayerState_Capture(core);
  for (const NumberKey& k : kNumberKeys) {
    if (k.number && state.*k.number == at_start_.*k.number)
      state.*k.number = before_command_line_.*k.number;
    if (k.flag && state.*k.flag == at_start_.*k.flag) state.*k.flag = before_command_line_.*k.flag;
  }
  return PlayerState_Save(path_, state);
}

PlayerState PlayerState_Capture(const PlayerCore& core) {
  PlayerState state;
  state.volume = core.Volume();
  state.balance = core.Balance();
  state.bass = core.Bass();
  state.treble = core.Treble();
  state.filter = core.IsButtonSelected(Button::kFilter);
  state.expand = core.IsButtonSelected(Button::kExpand);
  state.random = core.IsButtonSelected(Button::kRandom);
  state.intro = core.IsButtonSelected(Button::kIntro);
  state.loop = core.IsButtonSelected(Button::kLoop);
  state.rows = core.RowLines();
  state.highlighted = core.Highlighted();
  return state;
}

void PlayerState_ApplyControls(const PlayerState& state) {
  settings::AudioSettings& audio = settings::Audio();
  audio.volume = state.volume;
  audio.balance = state.balance;
  audio.bass = state.bass;
  audio.treble = state.treble;
  audio.filter = state.filter ? 1 : 0;
  audio.expand = state.expand ? 1 : 0;
  settings::MainSettings main = settings::Main().Fetch();
  main.random = state.random ? 1 : 0;
  main.intro = state.intro ? 1 : 0;
  main.loop = state.loop ? 1 : 0;
  settings::Main().Apply(main);
}

void PlayerState_RestoreRows(PlayerCore& core, const PlayerState& state) {
  core.RestoreRows(state.rows, state.highlighted);
}

}  // namespace player
