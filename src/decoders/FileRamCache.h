// The file layer's load-in-RAM copies and their one-entry cache. The cached copy
// is keyed on the file's name, size and modification time, so a file changed on
// disk is read again; writes through the file layer drop it. Copies are shared:
// a handle keeps its copy alive even after the cache lets go of it. Safe to call
// from several threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace decoders {

// A whole-file copy; bytes beyond size are never read.
struct RamBytes {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
};
using RamCopy = std::shared_ptr<const RamBytes>;

// What identifies one version of a file on disk.
struct FileIdentity {
  std::string name;
  int64_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileIdentity&) const = default;
};

// A copy handed to a handle; cached tells whether it counts as a use of the cache.
struct RamLoad {
  RamCopy copy;
  bool cached = false;
};

// The whole file in memory: the cached copy when it matches, otherwise a new copy
// read now (which becomes the cache when the cache is free). loaded is false when
// the file could not be read; copy is null when memory ran out (the caller then
// streams the file instead).
RamLoad RamCache_Load(const FileIdentity& identity, bool* loaded);
// A handle holding a cached copy is closed.
void RamCache_Release(const RamCopy& copy);
// Opens while load-in-RAM is off free an unused cache.
void RamCache_DropIfUnused();
// The file is being written: its cached copy no longer stands for it.
void RamCache_Invalidate(const std::string& name);
// Frees the cache whatever its use count (registry shutdown).
void RamCache_Free();

// For tests and diagnostics: the cached file's name (empty when none), its use
// count, and how many times a file was read into memory since start.
struct RamCacheState {
  std::string name;
  int32_t use_count = 0;
  uint64_t loads = 0;
};
RamCacheState RamCache_State();

}  // namespace decoders
