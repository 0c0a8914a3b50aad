// Runs a save in a child process whose file-size limit is too small for it, as
// a full disk would refuse the data (tests run as root, so permissions cannot).
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace testsupport {

// Runs save() in a child limited to limit bytes per file; returns save()'s verdict.
template <typename Save>
bool SaveInSizeLimitedChild(Save save, rlim_t limit) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    ::_exit(save() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Number of entries in a folder (a leftover temporary shows up here).
inline size_t CountFolderEntries(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

}  // namespace testsupport
