// Minimal stdio back end; the RAM and read-ahead back ends replace parts of it.
#include "decoders/TW_File.h"

#include <cstdio>
#include <mutex>

namespace decoders {

struct TW_File {
  uint32_t mode = 0;
  std::FILE* stream = nullptr;
  int64_t size = 0;
};

namespace {
std::mutex g_settings_mutex;
settings::FileSettings g_settings;  // protected by g_settings_mutex
}  // namespace

TW_File* TW_File_Open(const std::string& name, uint32_t mode, int32_t) {
  static const char* const kModes[] = {"rb", "wb", "ab", "r+b"};
  auto file = std::make_unique<TW_File>();
  file->mode = mode;
  file->stream = std::fopen(name.c_str(), kModes[mode & 3]);
  if (!file->stream) return nullptr;
  if (std::fseek(file->stream, 0, SEEK_END) == 0) file->size = ftello(file->stream);
  std::fseek(file->stream, 0, SEEK_SET);
  return file.release();
}

void TW_File_Close(TW_File* file) {
  if (!file) return;
  std::fclose(file->stream);
  delete file;
}

int32_t TW_File_Read(TW_File* file, void* dest, int32_t count) {
  if (!file || count < 0) return -1;
  return static_cast<int32_t>(std::fread(dest, 1, static_cast<size_t>(count), file->stream));
}

int32_t TW_File_Write(TW_File* file, const void* src, int32_t count) {
  if (!file || count < 0) return -1;
  return static_cast<int32_t>(std::fwrite(src, 1, static_cast<size_t>(count), file->stream));
}

int64_t TW_File_Seek(TW_File* file, int64_t offset, int origin) {
  if (!file) return -1;
  const int whence = origin < 0 ? SEEK_SET : origin == 0 ? SEEK_CUR : SEEK_END;
  const int64_t before = ftello(file->stream);
  if (fseeko(file->stream, offset, whence) != 0) return -1;
  return before;
}

int64_t TW_File_Size(TW_File* file) { return file ? file->size : -1; }

void TW_File_SetSettings(const settings::FileSettings& block) {
  std::lock_guard lock(g_settings_mutex);
  g_settings = block;
}

settings::FileSettings TW_File_GetSettings() {
  std::lock_guard lock(g_settings_mutex);
  return g_settings;
}

void TW_File_FreeCache() {}

}  // namespace decoders
