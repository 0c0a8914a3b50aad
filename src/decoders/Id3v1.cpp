#include "decoders/Id3v1.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "decoders/TW_File.h"
#include "platform/UniqueFd.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

// Field offsets and widths inside the block.
constexpr size_t kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97;
constexpr size_t kTextWidth = 30, kYearWidth = 4, kGenreAt = 127;
// ID3v1.1: a zero at comment byte 28 and the track number in byte 29.
constexpr size_t kTrackMarkAt = kCommentAt + 28, kTrackAt = kCommentAt + 29;

// Bytes up to the first NUL, trailing spaces dropped, as UTF-8.
std::string ReadField(const uint8_t* block, size_t at, size_t width) {
  const char* text = reinterpret_cast<const char*>(block + at);
  size_t length = ::strnlen(text, width);
  while (length > 0 && text[length - 1] == ' ') --length;
  return platform::Latin1ToUtf8(std::string_view(text, length));
}

// At most width Latin-1 bytes, padded with spaces.
void WriteField(uint8_t* block, size_t at, size_t width, std::string_view utf8) {
  const std::string latin1 = platform::Utf8ToLatin1(utf8);
  const size_t length = latin1.size() < width ? latin1.size() : width;
  std::memcpy(block + at, latin1.data(), length);
  std::memset(block + at + length, ' ', width - length);
}

// The genre byte to store: the table's number for the text, else the byte the tag
// came with when its text is unchanged, else "unknown".
uint8_t GenreByteFor(const ID3Tag& tag) {
  const uint8_t number = ID3_GenreNumber(tag.genre);
  if (number != kId3UnknownGenreByte) return number;
  if (tag.genre == ID3_GenreName(tag.genre_byte)) return tag.genre_byte;
  return kId3UnknownGenreByte;
}

bool WriteAllAt(int fd, const uint8_t* data, size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t written = ::pwrite(fd, data, size, offset);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
    offset += written;
  }
  return true;
}

bool ReadAllAt(int fd, uint8_t* data, size_t size, off_t offset) {
  return ::pread(fd, data, size, offset) == static_cast<ssize_t>(size);
}

// Puts the file back as it was before a failed write: the old tag, or the old end.
void Restore(int fd, off_t tag_at, off_t old_size, const uint8_t* old_tag, bool had_tag) {
  if (had_tag) {
    WriteAllAt(fd, old_tag, kId3BlockSize, tag_at);
  } else if (::ftruncate(fd, old_size) != 0) {
    // Nothing more can be done; the caller reports the failure either way.
  }
}

}  // namespace

bool ID3_Decode(const uint8_t* block, ID3Tag* tag) {
  if (std::memcmp(block, "TAG", 3) != 0) return false;
  tag->title = ReadField(block, kTitleAt, kTextWidth);
  tag->artist = ReadField(block, kArtistAt, kTextWidth);
  tag->album = ReadField(block, kAlbumAt, kTextWidth);
  tag->year = ReadField(block, kYearAt, kYearWidth);
  tag->comment = ReadField(block, kCommentAt, kTextWidth);
  tag->track = block[kTrackMarkAt] == 0 ? block[kTrackAt] : 0;
  tag->genre_byte = block[kGenreAt];
  tag->genre_number = tag->genre_byte < kId3NoGenre ? tag->genre_byte : kId3NoGenre;
  tag->genre = ID3_GenreName(tag->genre_number);
  return true;
}

std::array<uint8_t, kId3BlockSize> ID3_Encode(const ID3Tag& tag) {
  std::array<uint8_t, kId3BlockSize> block{};
  std::memcpy(block.data(), "TAG", 3);
  WriteField(block.data(), kTitleAt, kTextWidth, tag.title);
  WriteField(block.data(), kArtistAt, kTextWidth, tag.artist);
  WriteField(block.data(), kAlbumAt, kTextWidth, tag.album);
  WriteField(block.data(), kYearAt, kYearWidth, tag.year);
  if (tag.track != 0) {
    WriteField(block.data(), kCommentAt, kTrackMarkAt - kCommentAt, tag.comment);
    block[kTrackMarkAt] = 0;
    block[kTrackAt] = tag.track;
  } else {
    WriteField(block.data(), kCommentAt, kTextWidth, tag.comment);
  }
  block[kGenreAt] = GenreByteFor(tag);
  return block;
}

int ID3_ReadFromFile(TW_File* file, ID3Tag* tag) {
  if (!file) return kId3NoFile;
  const int64_t size = TW_File_Size(file);
  if (size < static_cast<int64_t>(kId3BlockSize)) return kId3NoTag;
  std::array<uint8_t, kId3BlockSize> block{};
  if (TW_File_Seek(file, size - static_cast<int64_t>(kId3BlockSize), kSeekStart) < 0 ||
      TW_File_Read(file, block.data(), kId3BlockSize) != static_cast<int32_t>(kId3BlockSize))
    return kId3NoTag;
  return ID3_Decode(block.data(), tag) ? kId3Ok : kId3NoTag;
}

int ID3_Read(const std::string& name, ID3Tag* tag) {
  FileHandle file(TW_File_Open(name, kFileRead | kFileNoRam, 2048));
  if (!file) return kId3NoFile;
  return ID3_ReadFromFile(file.get(), tag);
}

// Written in place (a tag is part of a sound file too large to copy), with every
// step checked; on failure the file is put back as it was.
int ID3_Write(const std::string& name, const ID3Tag& tag) {
  const std::array<uint8_t, kId3BlockSize> block = ID3_Encode(tag);
  platform::UniqueFd fd(::open(name.c_str(), O_RDWR | O_CLOEXEC));
  struct stat info {};
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return kId3NoFile;
  const off_t old_size = info.st_size;
  std::array<uint8_t, kId3BlockSize> old_tag{};
  const bool had_tag = old_size >= static_cast<off_t>(kId3BlockSize) &&
                       ReadAllAt(fd.get(), old_tag.data(), kId3BlockSize,
                                 old_size - static_cast<off_t>(kId3BlockSize)) &&
                       std::memcmp(old_tag.data(), "TAG", 3) == 0;
  const off_t tag_at = had_tag ? old_size - static_cast<off_t>(kId3BlockSize) : old_size;
  if (!WriteAllAt(fd.get(), block.data(), kId3BlockSize, tag_at) || ::fsync(fd.get()) != 0) {
    Restore(fd.get(), tag_at, old_size, old_tag.data(), had_tag);
    return kId3WriteFailed;
  }
  return fd.Close() ? kId3Ok : kId3WriteFailed;
}

}  // namespace decoders
