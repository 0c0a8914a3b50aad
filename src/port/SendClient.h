// The client side of the port, for "tunewright --send COMMAND [--port N]".
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace port {

// Exit code when no instance answers on the port.
constexpr int kNoInstanceExitCode = 20;

// Sends each command in order to instance port (from 1) in folder (empty: the
// default folder), writes each RESULT text as a line to out and complaints to
// err, and returns the last return code (kNoInstanceExitCode when no instance
// answers or the answer stops early). A command holding a line break, and an
// empty or blank one, is refused with RC=10 without being sent.
int RunSendClient(const std::vector<std::string>& commands, int port, std::ostream& out,
                  std::ostream& err, const std::string& folder = {});

}  // namespace port
