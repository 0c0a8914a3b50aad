// One handle, three back ends: a RAM copy, the read-ahead reader, buffered stdio.
#include "decoders/TW_File.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "decoders/FileRamCache.h"
#include "decoders/FileReadAhead.h"
#include "settings/SettingsGroups.h"

namespace decoders {

struct TW_File {
  uint32_t mode = 0;
  std::string name;
  std::FILE* stream = nullptr;
  std::unique_ptr<FileReadAhead> async;
  RamCopy ram;
  bool ram_cached = false;  // ram is the cache's copy and counts as one use
  int64_t ram_position = 0;
  int64_t size = 0;

  ~TW_File() {
    if (stream) std::fclose(stream);
    if (ram_cached) RamCache_Release(ram);
    // Whatever was written is on disk now; a cached copy of the old file is stale.
    if ((mode & 3) != kFileRead) RamCache_Invalidate(name);
  }
};

namespace {

constexpr uint32_t kAccessMask = 3;

bool LookUpFile(const std::string& name, FileIdentity* identity) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return false;
  identity->name = name;
  identity->size = info.st_size;
  identity->mtime_ns = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  return !S_ISDIR(info.st_mode);
}

bool OpenStream(TW_File* file, const char* how, size_t buffer_size) {
  file->stream = std::fopen(file->name.c_str(), how);
  if (!file->stream) return false;
  if (buffer_size > 0) std::setvbuf(file->stream, nullptr, _IOFBF, buffer_size);
  return true;
}

// Read opens: the read-ahead reader when enabled, else (or when it fails) stdio.
bool OpenForReading(TW_File* file, const settings::FileSettings& settings, size_t buffer_size) {
  if (settings.use_asyncio) file->async = FileReadAhead::Open(file->name, buffer_size);
  return file->async || OpenStream(file, "rb", buffer_size);
}

// Returns false when the file cannot be read; a RAM shortage leaves file->ram null.
bool LoadIntoRam(TW_File* file, const FileIdentity& identity) {
  bool loaded = false;
  RamLoad load = RamCache_Load(identity, &loaded);
  if (!loaded) return false;
  file->ram = std::move(load.copy);
  file->ram_cached = load.cached;
  if (file->ram) file->size = static_cast<int64_t>(file->ram->size);
  return true;
}

int32_t ReadRam(TW_File* file, void* dest, int32_t count) {
  const int64_t left = file->size - file->ram_position;
  const int64_t n = std::min<int64_t>(count, left);
  if (n <= 0) return -1;
  std::memcpy(dest, file->ram->data.get() + file->ram_position, static_cast<size_t>(n));
  file->ram_position += n;
  return static_cast<int32_t>(n);
}

// Counted from the last byte for origin 1; only positions inside the copy hold.
int64_t SeekRam(TW_File* file, int64_t offset, int origin) {
  int64_t base = 0;
  if (origin == kSeekCurrent)
    base = file->ram_position;
  else if (origin == kSeekEnd)
    base = file->size - 1;
  else if (origin != kSeekStart)
    return -1;
  if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) return -1;
  const int64_t target = base + offset;
  if (target < 0 || target >= file->size) return -1;
  const int64_t before = file->ram_position;
  file->ram_position = target;
  return before;
}

// -1 for an origin that is none of the three.
int WhenceOf(int origin) {
  switch (origin) {
    case kSeekStart:
      return SEEK_SET;
    case kSeekCurrent:
      return SEEK_CUR;
    case kSeekEnd:
      return SEEK_END;
    default:
      return -1;
  }
}

}  // namespace

size_t TW_File_EffectiveBufferSize(int32_t requested, uint32_t setting_kb) {
  const int64_t setting = int64_t(setting_kb) * 1024;
  int64_t size = requested > 1024 ? requested : setting;
  if (size <= 0) size = 32768;
  if (size > 65536) size = setting;
  // A setting too large to allocate is no reason to refuse the file.
  return static_cast<size_t>(std::clamp<int64_t>(size, 1, 64 << 20));
}

TW_File* TW_File_Open(const std::string& name, uint32_t mode, int32_t buffer_size) {
  const settings::FileSettings settings = settings::File().Fetch();
  const size_t buffer = TW_File_EffectiveBufferSize(buffer_size, settings.buffer_size);
  auto file = std::make_unique<TW_File>();
  file->name = name;
  FileIdentity identity;
  const bool found = LookUpFile(name, &identity);
  const uint32_t access = mode & kAccessMask;
  if (!found && (access == kFileRead || access == kFileAppend)) return nullptr;
  file->mode = mode;
  file->size = found ? identity.size : 0;
  if (!settings.load_in_ram) RamCache_DropIfUnused();
  if (access != kFileRead) RamCache_Invalidate(name);

  bool opened = false;
  switch (access) {
    case kFileRead:
      if (settings.load_in_ram && !(mode & kFileNoRam) && file->size > 0) {
        if (!LoadIntoRam(file.get(), identity)) return nullptr;
        if (file->ram) return file.release();
      }
      opened = OpenForReading(file.get(), settings, buffer);
      break;
    case kFileWrite:
      opened = OpenStream(file.get(), "wb", buffer);
      break;
    case kFileAppend:
      opened = OpenStream(file.get(), "ab", buffer);
      break;
    default:
      opened = OpenStream(file.get(), "r+b", buffer);
      break;
  }
  return opened ? file.release() : nullptr;
}

void TW_File_Close(TW_File* file) { std::unique_ptr<TW_File> owned(file); }

int32_t TW_File_Read(TW_File* file, void* dest, int32_t count) {
  if (!file || count < 0 || (count > 0 && !dest)) return -1;
  if (file->ram) return ReadRam(file, dest, count);
  if (file->async) return file->async->Read(dest, static_cast<size_t>(count));
  const size_t got = std::fread(dest, 1, static_cast<size_t>(count), file->stream);
  if (got == 0 && std::ferror(file->stream)) return -1;
  return static_cast<int32_t>(got);
}

int32_t TW_File_Write(TW_File* file, const void* src, int32_t count) {
  if (!file || !file->stream || count < 0 || (count > 0 && !src)) return -1;
  return static_cast<int32_t>(std::fwrite(src, 1, static_cast<size_t>(count), file->stream));
}

int64_t TW_File_Seek(TW_File* file, int64_t offset, int origin) {
  if (!file) return -1;
  if (file->ram) return SeekRam(file, offset, origin);
  const int whence = WhenceOf(origin);
  if (whence < 0) return -1;
  if (file->async) return file->async->Seek(offset, whence);
  const int64_t before = ftello(file->stream);
  if (before < 0 || fseeko(file->stream, offset, whence) != 0) return -1;
  return before;
}

int64_t TW_File_Size(TW_File* file) { return file ? file->size : -1; }

void TW_File_SetSettings(const settings::FileSettings& block) { settings::File().Apply(block); }

settings::FileSettings TW_File_GetSettings() { return settings::File().Fetch(); }

void TW_File_FreeCache() { RamCache_Free(); }

}  // namespace decoders
