#include "platform/TextLines.h"

namespace platform {

bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  bool any = false;
  char chunk[1024];
  while (std::fgets(chunk, sizeof chunk, file) != nullptr) {
    any = true;
    line.append(chunk);
    if (!line.empty() && line.back() == '\n') {
      line.pop_back();
      return true;
    }
  }
  return any;
}

TextFile::TextFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}

TextFile::~TextFile() {
  if (file_) std::fclose(file_);
}

}  // namespace platform
