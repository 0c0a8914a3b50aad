#include "port/SendClient.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <optional>

#include "port/CommandTable.h"
#include "port/PortPaths.h"
#include "platform/UniqueFd.h"

namespace port {

namespace {

bool SendAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    done += static_cast<size_t>(sent);
  }
  return true;
}

// The code of "RC=<code>[ RESULT=<text>]"; -1 when the line is not a reply.
int ReplyCode(const std::string& line, std::string* result) {
  if (line.rfind("RC=", 0) != 0) return -1;
  int code = -1;
  const char* begin = line.data() + 3;
  const auto [end, error] = std::from_chars(begin, line.data() + line.size(), code);
  if (error != std::errc() || end == begin) return -1;
  const std::string_view rest(end, static_cast<size_t>(line.data() + line.size() - end));
  if (rest.rfind(" RESULT=", 0) == 0) *result = std::string(rest.substr(8));
  return code;
}

}  // namespace

int RunSendClient(const std::vector<std::string>& commands, int port, std::ostream& out,
                  std::ostream& err, const std::string& folder) {
  const std::string place = folder.empty() ? DefaultPortFolder() : folder;
  const std::string path = PortSocketPath(place, port);
  platform::UniqueFd fd(IsTrustedPortFolder(place) ? ConnectToPort(path) : -1);
  if (!fd.valid() || PeerUid(fd.get()) != static_cast<long>(geteuid())) {
    err << "No player answers on " << path << "\n";
    return kNoInstanceExitCode;
  }
  int code = kRcOk;
  std::string pending;
  for (const std::string& command : commands) {
    if (command.find_first_of("\r\n") != std::string::npos) {
      err << "A command cannot hold a line break: " << EscapeControls(command) << "\n";
      code = kRcBadCommand;
      continue;
    }
    if (command.find_first_not_of(" \t") == std::string::npos) {
      err << "An empty command does nothing\n";
      code = kRcBadCommand;
      continue;
    }
    std::optional<std::string> reply;
    if (SendAll(fd.get(), command + "\n")) reply = ReadPortLine(fd.get(), pending);
    std::string result;
    code = reply ? ReplyCode(*reply, &result) : -1;
    if (code < 0) {
      err << "The player stopped answering on " << path << "\n";
      return kNoInstanceExitCode;
    }
    if (code == kRcOk && reply->find(" RESULT=") != std::string::npos) out << result << "\n";
    if (code != kRcOk) err << EscapeControls(command) << ": RC=" << code << "\n";
  }
  out.flush();
  return code;
}

}  // namespace port
