// AtomicFile: every file the program writes goes through here, so that a failed
// or interrupted save leaves the old file exactly as it was.
//
// The data go to a temporary file in the same folder ("<name>.tw-tmp-XXXXXX"),
// every write and the close are checked, the file is fsync'ed and only then
// renamed over the old one. Leftover temporaries of a killed save are removed by
// RemoveStaleTemporaries().
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();  // discards the temporary unless Commit() succeeded
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file. False when it cannot be created.
  bool Open();
  // Appends bytes; false (and the save is doomed) on any short or failed write.
  bool Write(const void* data, size_t size);
  bool Write(std::string_view text) { return Write(text.data(), text.size()); }
  // Flushes, fsyncs, closes and renames over the target. False leaves the old file intact.
  bool Commit();
  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }

 private:
  bool FlushBuffer();
  void Discard();

  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
  bool failed_ = false;
  std::string buffer_;
};

// Writes a whole file atomically in one call.
bool WriteFileAtomically(const std::string& path, std::string_view contents);

// Removes "<name>.tw-tmp-*" files left in the folder of path by a save that was killed.
void RemoveStaleTemporaries(const std::string& path);

}  // namespace platform
