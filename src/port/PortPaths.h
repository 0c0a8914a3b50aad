// Where the port's sockets live and how both ends reach them safely.
#pragma once

#include <optional>
#include <string>

namespace port {

// "$XDG_RUNTIME_DIR/tunewright", or "<temp>/tunewright-<uid>" without a runtime folder.
std::string DefaultPortFolder();

// "<folder>/TUNEWRIGHT.<number>".
std::string PortSocketPath(const std::string& folder, int number);

// Creates the folder 0700 when missing, then checks it is a real folder (not a
// symlink) owned by this user with mode 0700. False (errno-style text in error) otherwise.
bool PreparePortFolder(const std::string& folder, std::string* error);

// Checks an existing folder the same way, without creating it.
bool IsTrustedPortFolder(const std::string& folder);

// Connects a blocking stream socket to path; -1 when nothing answers there.
// The caller owns the descriptor.
int ConnectToPort(const std::string& path);

// One line (without its newline) from a blocking socket; nullopt when the
// connection ends first. Bytes past the line stay in pending for the next call.
std::optional<std::string> ReadPortLine(int fd, std::string& pending);

// The uid of the process at the other end of a connected socket; -1 when unknown.
long PeerUid(int fd);

}  // namespace port
