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
constexpr uint32_t kFileWrite = 1;   // create or truncate
constexpr uint32_t kFileAppend = 2;
constexpr uint32_t kFileUpdate = 3;  // read and update an existing file
constexpr uint32_t kFileNoRam = 0x4000;

// Seek origins.
constexpr int kSeekStart = -1;
constexpr int kSeekCurrent = 0;
constexpr int kSeekEnd = 1;

// Opens name; buffer_size 0 means the BUFFER_SIZE setting. Null on failure.
TW_File* TW_File_Open(const std::string& name, uint32_t mode, int32_t buffer_size);
void TW_File_Close(TW_File* file);  // null allowed
// Bytes read (0 at the end of a stream file); -1 on a null handle, an error, or
// when a RAM copy has no bytes left.
int32_t TW_File_Read(TW_File* file, void* dest, int32_t count);
// Bytes written; -1 for a null or RAM handle.
int32_t TW_File_Write(TW_File* file, const void* src, int32_t count);
// Moves the position; returns the position before the move, or -1 on failure.
int64_t TW_File_Seek(TW_File* file, int64_t offset, int origin);
// File size from the file system (RAM: bytes loaded); -1 for a null handle.
int64_t TW_File_Size(TW_File* file);

void TW_File_SetSettings(const settings::FileSettings& block);
settings::FileSettings TW_File_GetSettings();

// Frees the RAM cache whatever its use count (registry shutdown).
void TW_File_FreeCache();

struct TW_FileCloser {
  void operator()(TW_File* file) const { TW_File_Close(file); }
};
using FileHandle = std::unique_ptr<TW_File, TW_FileCloser>;

}  // namespace decoders
