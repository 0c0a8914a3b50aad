// Line reading for the program's text files. Lines are read whole, whatever
// their length: the tail of a long line is never taken for a line of its own.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Reads the next line without its trailing '\n' (a '\r' before it stays).
// False at the end of the file with nothing read.
bool ReadLine(std::FILE* file, std::string& line);

// Opens a file for reading text; closes it on destruction.
class TextFile {
 public:
  explicit TextFile(const std::string& path);
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  bool is_open() const { return file_ != nullptr; }
  bool ReadLine(std::string& line) { return file_ && platform::ReadLine(file_, line); }

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace platform
