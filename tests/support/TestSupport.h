// Helpers shared by the tests: temporary folders, running tools, making sound
// files with real encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under /tmp, removed with its contents when the object dies.
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

// Path of a program built in this tree ("twdecode", "tunewright").
std::string BuiltProgram(const std::string& name);

std::vector<uint8_t> ReadBinaryFile(const std::string& path);
void WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);

// Single-quotes a word for the shell.
std::string ShellQuote(const std::string& word);

}  // namespace testsupport
