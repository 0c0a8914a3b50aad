// ID3v1 tags: the 128-byte block at the very end of an MPEG file, and the table
// of genre names behind its one-byte genre number.
//
// Text is Latin-1 in the file and UTF-8 in the record; characters Latin-1 cannot
// hold are written as '?'. Fields are cut to 30 bytes (year: 4) when written.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace decoders {

struct TW_File;

constexpr int kId3Ok = 0;
constexpr int kId3NoFile = -1;       // no handle, or the file cannot be opened
constexpr int kId3NoTag = -2;        // the last 128 bytes do not start with "TAG"
constexpr int kId3WriteFailed = -3;  // a write, flush or close failed; the file was restored

constexpr size_t kId3BlockSize = 128;
constexpr int kId3GenreCount = 146;  // 0..144 named, 145 the empty text
constexpr int kId3NoGenre = 145;
constexpr uint8_t kId3UnknownGenreByte = 255;

// One tag. Texts are UTF-8 without trailing spaces.
struct ID3Tag {
  std::string title;
  std::string artist;
  std::string album;
  std::string year;
  std::string comment;                        // up to 28 bytes when a track number is present
  std::string genre;                          // the table's name for genre_number
  uint32_t genre_number = kId3NoGenre;        // table index; bytes above 144 read as 145
  uint8_t genre_byte = kId3UnknownGenreByte;  // the byte as read; kept when genre is unchanged
  uint8_t track = 0;                          // ID3v1.1 track number; 0 none
};

// The genre table, numbers 0..145, spelled as the list has always spelled them.
extern const std::array<const char*, kId3GenreCount> kId3Genres;

// Name of a genre byte; bytes above 144 give the empty text (entry 145).
const char* ID3_GenreName(uint32_t number);
// Number of the first entry 0..144 whose name equals name exactly; 255 when none.
uint8_t ID3_GenreNumber(std::string_view name);

// Reads the tag at the end of an open file (position afterwards unspecified).
// kId3Ok, kId3NoFile for a null handle, kId3NoTag when there is none.
int ID3_ReadFromFile(TW_File* file, ID3Tag* tag);
// Opens name, reads its tag, closes it; results as ID3_ReadFromFile.
int ID3_Read(const std::string& name, ID3Tag* tag);
// Replaces the file's tag or appends one. kId3Ok, kId3NoFile, or kId3WriteFailed
// (an append is cut back to the old size, an overwritten tag is put back).
int ID3_Write(const std::string& name, const ID3Tag& tag);

// The 128-byte block for a tag, and the tag in a block (false when no "TAG").
std::array<uint8_t, kId3BlockSize> ID3_Encode(const ID3Tag& tag);
bool ID3_Decode(const uint8_t* block, ID3Tag* tag);

}  // namespace decoders
