#include "port/PortPaths.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace port {

std::string DefaultPortFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/') return std::string(runtime) + "/tunewright";
  std::error_code error;
  std::string temp = std::filesystem::temp_directory_path(error).string();
  if (error || temp.empty()) temp = "/tmp";
  while (temp.size() > 1 && temp.back() == '/') temp.pop_back();
  return temp + "/tunewright-" + std::to_string(geteuid());
}

std::string PortSocketPath(const std::string& folder, int number) {
  return folder + "/TUNEWRIGHT." + std::to_string(number);
}

bool IsTrustedPortFolder(const std::string& folder) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 07777) == 0700;
}

bool PreparePortFolder(const std::string& folder, std::string* error) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = folder + ": " + std::strerror(errno);
    return false;
  }
  if (!IsTrustedPortFolder(folder)) {
    *error = folder + ": not a folder of our own with mode 0700";
    return false;
  }
  return true;
}

int ConnectToPort(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::optional<std::string> ReadPortLine(int fd, std::string& pending) {
  for (;;) {
    const size_t end = pending.find('\n');
    if (end != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      return line;
    }
    char buffer[4096];
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    pending.append(buffer, static_cast<size_t>(got));
  }
}

long PeerUid(int fd) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return -1;
  return static_cast<long>(credentials.uid);
}

}  // namespace port
