// TW_File: the one way decoders, identification, tags and the CD code read and
// write files. Three back ends behind one handle: a whole-file copy in RAM (with
// a one-entry cache), read-ahead by a reader thread, and buffered stdio.
// Offsets are 64-bit inside.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "settings/SettingsRecords.h"

namespace decoders {

struct TW_File;

// Mode word: bits 0-1 access, plus flags.
constexpr uint32_t kFileRead = 0;
constexpr uint32_t kFileWrite = 1;  // create or truncate
constexpr uint32_t kFileAppend = 2;
constexpr uint32_t kFileUpdate = 3;  // read and update an existing file
constexpr uint32_t kFileNoRam = 0x4000;

// Seek origins.
constexpr int kSeekStart = -1;
constexpr int kSeekCurrent = 0;
constexpr int kSeekEnd = 1;

// Opens name; buffer_size 0 (or up to 1024) means the BUFFER_SIZE setting. Null
// when the file cannot be opened, or for read and append opens of a file that
// does not exist. Read opens use, in order of preference: the RAM copy
// (LOAD_IN_RAM on, no kFileNoRam, size above 0), the read-ahead reader
// (USE_ASYNCIO on), stdio. Opens for writing drop a RAM copy of the same name.
// Safe to use from several threads, each with its own handles.
TW_File* TW_File_Open(const std::string& name, uint32_t mode, int32_t buffer_size);
void TW_File_Close(TW_File* file);  // null allowed
// Bytes read (0 at the end of a stream or read-ahead file); -1 on a null handle,
// a negative count, a read error, or when a RAM copy has no bytes left (a RAM
// read of 0 bytes also gives -1).
int32_t TW_File_Read(TW_File* file, void* dest, int32_t count);
// Bytes written; -1 for a null handle, a RAM or read-ahead handle.
int32_t TW_File_Write(TW_File* file, const void* src, int32_t count);
// Moves the position; returns the position before the move, or -1 on failure
// (then the position is kept). Stream and read-ahead handles move as fseeko
// does, past the end included. A RAM handle counts kSeekEnd from the last byte
// (offset 0 lands on it) and accepts only targets inside the copy.
int64_t TW_File_Seek(TW_File* file, int64_t offset, int origin);
// File size from the file system at open (RAM: bytes loaded); -1 for null.
int64_t TW_File_Size(TW_File* file);

// The buffer size an open uses for a requested size and BUFFER_SIZE (kilobytes):
// the request when above 1024, otherwise the setting; 32768 when that is 0; the
// setting again when the result is above 65536.
size_t TW_File_EffectiveBufferSize(int32_t requested, uint32_t setting_kb);

// The FILE settings group (settings::File()); each open reads it afresh.
void TW_File_SetSettings(const settings::FileSettings& block);
settings::FileSettings TW_File_GetSettings();

// Frees the RAM cache whatever its use count (registry shutdown).
void TW_File_FreeCache();

struct TW_FileCloser {
  void operator()(TW_File* file) const { TW_File_Close(file); }
};
using FileHandle = std::unique_ptr<TW_File, TW_FileCloser>;

}  // namespace decoders
