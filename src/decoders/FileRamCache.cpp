#include "decoders/FileRamCache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <new>

namespace decoders {
namespace {

struct Cache {
  std::mutex mutex;
  RamCopy copy;           // protected by mutex
  FileIdentity identity;  // protected by mutex
  int32_t use_count = 0;  // protected by mutex
  uint64_t loads = 0;     // protected by mutex
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

// Reads up to buffer->size bytes; size is cut to what arrived.
bool ReadWholeFile(const std::string& name, RamBytes* buffer) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  size_t filled = 0;
  bool ok = true;
  while (filled < buffer->size) {
    const ssize_t got = ::read(fd, buffer->data.get() + filled, buffer->size - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    filled += static_cast<size_t>(got);
  }
  ::close(fd);
  buffer->size = filled;
  return ok;
}

// Not zeroed: the file's bytes overwrite it, and only those are ever read.
std::shared_ptr<RamBytes> Allocate(int64_t size) {
  if (size <= 0 || uint64_t(size) > SIZE_MAX) return nullptr;
  try {
    auto bytes = std::make_shared<RamBytes>();
    bytes->data = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(size));
    bytes->size = static_cast<size_t>(size);
    return bytes;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void ClearLocked(Cache& cache) {
  cache.copy.reset();
  cache.identity = {};
  cache.use_count = 0;
}

}  // namespace

RamLoad RamCache_Load(const FileIdentity& identity, bool* loaded) {
  Cache& cache = TheCache();
  *loaded = true;
  {
    std::lock_guard lock(cache.mutex);
    if (cache.copy && cache.identity == identity) {
      ++cache.use_count;
      return {cache.copy, true};
    }
    // Another file, or this file before it changed.
    if (cache.copy && (cache.use_count <= 0 || cache.identity.name == identity.name))
      ClearLocked(cache);
  }
  auto buffer = Allocate(identity.size);
  if (!buffer) return {};
  // Read outside the lock: the other task may use the file layer meanwhile.
  if (!ReadWholeFile(identity.name, buffer.get())) {
    *loaded = false;
    return {};
  }
  std::lock_guard lock(cache.mutex);
  ++cache.loads;
  if (cache.copy) return {buffer, false};
  cache.copy = buffer;
  cache.identity = identity;
  cache.use_count = 1;
  return {buffer, true};
}

void RamCache_Release(const RamCopy& copy) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  if (copy && copy == cache.copy) --cache.use_count;
}

void RamCache_DropIfUnused() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  if (cache.use_count <= 0) ClearLocked(cache);
}

void RamCache_Invalidate(const std::string& name) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  if (cache.copy && cache.identity.name == name) ClearLocked(cache);
}

void RamCache_Free() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  ClearLocked(cache);
}

RamCacheState RamCache_State() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  return {cache.copy ? cache.identity.name : std::string(), cache.use_count, cache.loads};
}

}  // namespace decoders
