// Helpers shared by the tests: temporary folders, running tools, making sound
// files with real encoders.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under $TMPDIR (the test run's own temporary root, see
// TestMain.cpp), removed with its contents when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct CommandResult {
  int exit_code = -1;  // -1 when the command did not end normally
  std::string out;     // standard output
};

// Runs a shell command; captures standard output (standard error passes through
// unless the command redirects it).
CommandResult Run(const std::string& command);

// True when the named program is on PATH.
bool HaveTool(const std::string& name);

// The programs of names that are not on PATH, joined by ", "; "" when all are.
std::string MissingTools(std::initializer_list<std::string> names);

// True under continuous integration ($CI set), where every tool must be installed.
bool InCi();

// Path of a program built in this tree ("twdecode", "tunewright").
std::string BuiltProgram(const std::string& name);

std::vector<uint8_t> ReadBinaryFile(const std::string& path);
void WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);

// Single-quotes a word for the shell.
std::string ShellQuote(const std::string& word);

// A private D-Bus session bus, set as DBUS_SESSION_BUS_ADDRESS for the test and
// the programs it starts; gone with the object.
class SessionBus {
 public:
  SessionBus();
  ~SessionBus();
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;
  bool up() const { return pid_ > 0; }

 private:
  int pid_ = 0;
};

}  // namespace testsupport

// The test needs these programs: without them it is skipped with a message on
// a developer's machine, and fails in CI, where a missing tool is a broken set-up.
// Use in a test body or a fixture's SetUp.
#define TW_REQUIRE_TOOLS(...)                                                                  \
  do {                                                                                         \
    const std::string tw_missing_tools_ = testsupport::MissingTools({__VA_ARGS__});            \
    if (!tw_missing_tools_.empty()) {                                                          \
      if (testsupport::InCi()) FAIL() << "tools missing in CI: " << tw_missing_tools_;         \
      GTEST_SKIP() << "tools not installed: " << tw_missing_tools_                             \
                   << " (scripts/install-deps.sh installs them)";                              \
    }                                                                                          \
  } while (false)
