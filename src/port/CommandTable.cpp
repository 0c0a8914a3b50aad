#include "port/CommandTable.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "decoders/ReplayGain.h"
#include "player/Playlist.h"
#include "player/TimeFormat.h"

namespace port {

using platform::ArgValue;
using player::Button;

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view FirstWord(std::string_view line) {
  line = TrimBlanks(line);
  const size_t end = line.find_first_of(" \t");
  return end == std::string_view::npos ? line : line.substr(0, end);
}

int64_t WholeSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  if (seconds >= 9.0e18) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(seconds);
}

// A name the player could list: a file, folder or drive that exists (a dangling
// symbolic link does not). Whether it holds sound is the loader's business.
bool NameExists(const std::string& name) {
  struct stat info {};
  return !name.empty() && ::stat(name.c_str(), &info) == 0;
}

PortReply Done(bool took_effect) { return PortReply{took_effect ? kRcOk : kRcNoEffect, {}}; }

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string FormatReply(const PortReply& reply) {
  std::string line = "RC=" + std::to_string(reply.rc);
  if (reply.rc == kRcOk && reply.result) line += " RESULT=" + EscapeControls(*reply.result);
  return line;
}

StateArg ParseStateArg(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty() || platform::EqualsNoCase(text, "ON")) return StateArg::kOn;
  if (platform::EqualsNoCase(text, "OFF")) return StateArg::kOff;
  if (platform::EqualsNoCase(text, "TOGGLE")) return StateArg::kToggle;
  // The leading decimal number; only its value against 0 and 1 matters, so
  // long digit runs saturate instead of overflowing.
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), 1000);
  }
  if (negative) value = -value;
  if (value == 0) return StateArg::kOff;
  return value == 1 ? StateArg::kOn : StateArg::kToggle;
}

std::optional<double> ParseFiniteNumber(std::string_view text) {
  const std::string copy(TrimBlanks(text));
  if (copy.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value) || errno == ERANGE) {
    return std::nullopt;
  }
  return value;
}

const char* StateWord(player::PlayState state) {
  switch (state) {
    case player::PlayState::kPlaying:
      return "PLAY";
    case player::PlayState::kPaused:
      return "PAUSE";
    default:
      return "STOP";
  }
}

int32_t VolumeRangeFor(int32_t level) {
  if (level <= 64) return 64;
  return level <= 128 ? 128 : 256;
}

bool CommandTable::IsCommand(std::string_view line, std::string_view name) {
  return platform::EqualsNoCase(FirstWord(line), name);
}

CommandTable::CommandTable(player::PlayerController& player, std::ostream& unknown_out)
    : player_(player), unknown_out_(unknown_out) {
  AddReturnIdCommands();
  AddButtonCommands();
  AddSliderCommands();
  AddTransportCommands();
  AddQueries();
  AddFieldQueries();
}

void CommandTable::Add(const char* name, const char* spec,
                       std::function<PortReply(const Args&)> handler) {
  commands_.push_back(Command{name, spec, std::move(handler)});
  templates_.emplace_back(spec);
}

void CommandTable::AddReturnIdCommands() {
  static constexpr std::pair<const char*, int> kIds[] = {
      {"play", player::kReturnPlay},   {"stop", player::kReturnStop},
      {"clear", player::kReturnClear}, {"close", player::kReturnClose},
      {"prev", player::kReturnPrev},   {"next", player::kReturnNext},
      {"quit", player::kReturnQuit}};
  for (const auto& [name, id] : kIds) {
    Add(name, "", [this, id = id](const Args&) { return Done(player_.PerformReturnId(id)); });
  }
}

void CommandTable::AddButtonCommands() {
  static constexpr std::pair<const char*, Button> kButtons[] = {
      {"pause", Button::kPause},    {"filter", Button::kFilter}, {"expand", Button::kExpand},
      {"random", Button::kRandom},  {"intro", Button::kIntro},   {"loop", Button::kLoop},
      {"iconify", Button::kIconify}};
  for (const auto& [name, button] : kButtons) {
    Add(name, "STATE/F",
        [this, button = button](const Args& a) { return ApplyState(button, a[0]); });
  }
}

void CommandTable::AddSliderCommands() {
  Add("volume", "LEVEL/N", [this](const Args& a) {
    if (!a[0].present) return Done(false);
    // The slider clamps into 0..its maximum, and the maximum follows the level.
    const int32_t level = a[0].number;
    player_.SetVolumeRange(VolumeRangeFor(level));
    player_.SetVolume(std::clamp(level, 0, VolumeRangeFor(level)));
    return Done(true);
  });
  Add("replaygain", "MODE/A", [this](const Args& a) {
    const auto mode = decoders::ParseReplayGainMode(a[0].text);
    if (!mode) return PortReply{kRcBadCommand, {}};
    player_.SetReplayGainMode(static_cast<int32_t>(*mode));
    return Done(true);
  });
  using Setter = void (player::PlayerController::*)(int32_t);
  static constexpr std::pair<const char*, Setter> kSliders[] = {
      {"balance", &player::PlayerController::SetBalance},
      {"bass", &player::PlayerController::SetBass},
      {"treble", &player::PlayerController::SetTreble}};
  for (const auto& [name, setter] : kSliders) {
    Add(name, "LEVEL/N", [this, setter = setter](const Args& a) {
      if (!a[0].present) return Done(false);
      (player_.*setter)(a[0].number);
      return Done(true);
    });
  }
}

void CommandTable::AddTransportCommands() {
  Add("seek", "SECS/F", [this](const Args& a) {
    const auto seconds = ParseFiniteNumber(a[0].text);
    if (!seconds) return PortReply{kRcBadCommand, {}};
    return Done(player_.Seek(std::max(0.0, *seconds)));
  });
  Add("speed", "PERCENT/F", [this](const Args& a) {
    const auto percent = ParseFiniteNumber(a[0].text);
    if (!percent) return PortReply{kRcBadCommand, {}};
    return Done(player_.SetSpeed(std::clamp(*percent, 25.0, 400.0)));
  });
  Add("select", "INDEX/N", [this](const Args& a) { return Select(a); });
  Add("sel", "INDEX/N", [this](const Args& a) { return Select(a); });
  Add("time_type", "TYPE/N", [this](const Args& a) {
    if (!a[0].present) return Done(false);
    time_type_ = a[0].number;
    return Done(true);
  });
  for (const char* name : {"open", "add"}) {
    const bool clear_first = name[0] == 'o';
    Add(name, "FILE/M,NOPLAYLIST/S", [this, clear_first](const Args& a) {
      return AddNames(a[0].list, a[1].present, clear_first);
    });
  }
}

void CommandTable::AddQueries() {
  Add("get_time", "",
      [this](const Args&) { return Time(WholeSeconds(player_.PositionSeconds())); });
  Add("get_state", "", [this](const Args&) { return Text(StateWord(player_.State())); });
  Add("get_selected", "",
      [this](const Args&) { return Text(std::to_string(std::max(player_.CurrentRow(), -1) + 1)); });
  Add("get_duration", "", [this](const Args&) { return Time(player_.CurrentDurationSeconds()); });
  Add("get_count", "", [this](const Args&) { return Text(std::to_string(player_.RowCount())); });
  Add("get_total", "", [this](const Args&) { return Time(player_.TotalSeconds()); });
  Add("get_cdid", "", [this](const Args&) { return Text(player_.CdId()); });
  Add("get_cdlength", "", [this](const Args&) { return Time(player_.CdLengthSeconds()); });
  Add("get_volume", "", [this](const Args&) { return Text(std::to_string(player_.Volume())); });
  Add("get_replaygain", "", [this](const Args&) {
    return Text(decoders::ReplayGainModeName(player_.ReplayGainMode()));
  });
  Add("get_balance", "", [this](const Args&) { return Text(std::to_string(player_.Balance())); });
  Add("get_bass", "", [this](const Args&) { return Text(std::to_string(player_.Bass())); });
  Add("get_treble", "", [this](const Args&) { return Text(std::to_string(player_.Treble())); });
  Add("get_speed", "", [this](const Args&) {
    const double speed = player_.Speed();
    char text[64];
    std::snprintf(text, sizeof text, "%7.3f", std::isfinite(speed) ? speed : 100.0);
    return Text(text);
  });
}

void CommandTable::AddFieldQueries() {
  static constexpr std::pair<const char*, int> kFields[] = {
      {"get_name", player::kFieldTitle},       {"get_title", player::kFieldTitle},
      {"get_genre", player::kFieldGenre},      {"get_artist", player::kFieldArtist},
      {"get_album", player::kFieldAlbum},      {"get_type", player::kFieldType},
      {"get_comment", player::kFieldComment},  {"get_year", player::kFieldYear},
      {"get_filepath", player::kFieldFilePath}};
  for (const auto& [name, field] : kFields) {
    Add(name, "", [this, field = field](const Args&) {
      return Text(player_.CurrentRow() < 0 ? std::string() : player_.CurrentField(field));
    });
  }
}

PortReply CommandTable::ApplyState(Button button, const ArgValue& state) {
  if (!player_.IsButtonEnabled(button)) return Done(false);
  const StateArg arg = ParseStateArg(state.present ? state.text : "");
  const bool selected =
      arg == StateArg::kToggle ? !player_.IsButtonSelected(button) : arg == StateArg::kOn;
  return Done(player_.SetButton(button, selected));
}

PortReply CommandTable::Select(const Args& args) {
  if (!args[0].present) return Done(false);
  // Rows count from 1 here; 0 and below name no row (and INT32_MIN - 1 would overflow).
  if (args[0].number < 1) return PortReply{kRcBadCommand, {}};
  return Done(player_.SelectRow(args[0].number - 1));
}

PortReply CommandTable::AddNames(const std::vector<std::string>& names, bool no_playlist,
                                 bool clear_first) {
  std::vector<std::string> existing;
  for (const std::string& name : names)
    if (NameExists(name)) existing.push_back(name);
  const bool all_exist = existing.size() == names.size();
  // A list of names none of which exists changes nothing: "open" keeps the list.
  if (existing.empty() && !names.empty()) return PortReply{kRcBadCommand, {}};
  player_.AddNames(existing, no_playlist, clear_first);
  return all_exist ? Done(true) : PortReply{kRcBadCommand, {}};
}

PortReply CommandTable::Time(int64_t seconds) const {
  return Text(player::FormatTime(seconds, time_type_));
}

PortReply CommandTable::Unknown(std::string_view line) {
  unknown_out_ << "UNKNOWN REXX COMMAND [" << EscapeControls(line) << "]\n" << std::flush;
  return PortReply{kRcBadCommand, {}};
}

PortReply CommandTable::Execute(std::string_view line) {
  // A blank line is answered too: a client waiting for its reply must not hang.
  if (TrimBlanks(line).empty()) return PortReply{kRcBadCommand, {}};
  const std::string_view name = FirstWord(line);
  for (size_t i = 0; i < commands_.size(); ++i) {
    if (!platform::EqualsNoCase(name, commands_[i].name)) continue;
    const std::string_view rest = TrimBlanks(TrimBlanks(line).substr(name.size()));
    if (commands_[i].spec[0] == '\0') {
      if (!rest.empty()) return PortReply{kRcBadCommand, {}};
      return commands_[i].handler({});
    }
    const auto args = templates_[i].Parse(platform::SplitArgumentLine(rest));
    if (!args) return PortReply{kRcBadCommand, {}};
    return commands_[i].handler(*args);
  }
  return Unknown(line);
}

}  // namespace port
