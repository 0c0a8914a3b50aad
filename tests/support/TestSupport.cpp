#include "support/TestSupport.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
  std::error_code ec;
  std::filesystem::path root = std::filesystem::temp_directory_path(ec);
  if (ec) root = "/tmp";
  std::string pattern = (root / "tunewright-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

CommandResult Run(const std::string& command) {
  CommandResult result;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

bool HaveTool(const std::string& name) {
  return Run("command -v " + ShellQuote(name) + " >/dev/null 2>&1").exit_code == 0;
}

std::string MissingTools(std::initializer_list<std::string> names) {
  std::string missing;
  for (const std::string& name : names) {
    if (HaveTool(name)) continue;
    missing += (missing.empty() ? "" : ", ") + name;
  }
  return missing;
}

bool InCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0';
}

std::string BuiltProgram(const std::string& name) {
  const std::string base = TW_TEST_BIN_DIR;
  for (const char* sub : {"/tools/", "/"}) {
    const std::string candidate = base + sub + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return base + "/" + name;
}

std::vector<uint8_t> ReadBinaryFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ShellQuote(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

SessionBus::SessionBus() {
  const CommandResult started = Run("dbus-daemon --session --fork --print-address=1 --print-pid=1");
  const size_t split = started.out.find('\n');
  if (started.exit_code != 0 || split == std::string::npos) return;
  ::setenv("DBUS_SESSION_BUS_ADDRESS", started.out.substr(0, split).c_str(), 1);
  pid_ = std::atoi(started.out.c_str() + split + 1);
}

SessionBus::~SessionBus() {
  if (pid_ > 0) ::kill(pid_, SIGTERM);
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace testsupport
