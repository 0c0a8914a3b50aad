// The command table of the port: each line a client sends is matched by name
// (any letter case), parsed against the command's template and performed on the
// player at once, so the reply follows the command's effect.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ArgTemplate.h"
#include "player/PlayerController.h"

namespace port {

// Return codes of a reply.
enum ReturnCode : int {
  kRcOk = 0,
  kRcNoEffect = 5,    // understood, but the player could not do it now
  kRcBadCommand = 10  // unknown command or an argument that does not fit
};

struct PortReply {
  int rc = kRcOk;
  std::optional<std::string> result;  // only with kRcOk
};

// "RC=<code>" or "RC=0 RESULT=<text>" with control characters escaped; no newline.
std::string FormatReply(const PortReply& reply);

// Control characters, DEL and the backslash become "\xHH" / "\\", so a text can
// neither split a reply line nor reach a terminal as a control sequence.
std::string EscapeControls(std::string_view text);

// A state argument: absent or empty, "ON", "OFF", "TOGGLE" (any case), or a
// leading number (0 off, 1 on, other toggle; no number counts as 0).
enum class StateArg { kOff, kOn, kToggle };
StateArg ParseStateArg(std::string_view text);

// A decimal number taking the whole text (blanks around allowed); nullopt when
// the text is not a number or not finite.
std::optional<double> ParseFiniteNumber(std::string_view text);

// "PLAY", "PAUSE" or "STOP": the get_state result and the word of state events.
const char* StateWord(player::PlayState state);

// The slider maximum the volume command chooses for a level (64, 128 or 256).
int32_t VolumeRangeFor(int32_t level);

class CommandTable {
 public:
  // unknown_out receives "UNKNOWN REXX COMMAND [...]" lines for unknown commands.
  CommandTable(player::PlayerController& player, std::ostream& unknown_out);

  // Performs one command line (without its newline).
  PortReply Execute(std::string_view line);

  // True when the line's first word names the command (any letter case).
  static bool IsCommand(std::string_view line, std::string_view name);

  int time_type() const { return time_type_; }

 private:
  using Args = std::vector<platform::ArgValue>;
  struct Command {
    const char* name;
    const char* spec;  // "" for commands without arguments
    std::function<PortReply(const Args&)> handler;
  };

  void AddReturnIdCommands();
  void AddButtonCommands();
  void AddSliderCommands();
  void AddTransportCommands();
  void AddQueries();
  void AddFieldQueries();
  void Add(const char* name, const char* spec, std::function<PortReply(const Args&)> handler);

  PortReply ApplyState(player::Button button, const platform::ArgValue& state);
  PortReply Select(const Args& args);
  // "open" and "add": names that do not exist are left out and make the reply RC=10.
  PortReply AddNames(const std::vector<std::string>& names, bool no_playlist, bool clear_first);
  PortReply Text(std::string text) const { return PortReply{kRcOk, std::move(text)}; }
  PortReply Time(int64_t seconds) const;
  PortReply Unknown(std::string_view line);

  player::PlayerController& player_;
  std::ostream& unknown_out_;
  std::vector<Command> commands_;
  std::vector<platform::ArgTemplate> templates_;  // by command, empty template when none
  int time_type_ = 0;                             // not saved; any number accepted
};

}  // namespace port
