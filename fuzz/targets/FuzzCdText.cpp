// Reads arbitrary bytes as a CUE sheet (its BIN files sized as the program
// does) and as a disc's title file.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "FuzzInput.h"
#include "cdda/CdTitles.h"
#include "cdda/CueSheet.h"

namespace {

void ReadTitles(const uint8_t* data, size_t size) {
  cdda::CDTitles titles;
  std::snprintf(titles.disc_key, sizeof titles.disc_key, "IDfuzz%d", int(::getpid()));
  titles.first_track = 1;
  titles.last_track = 99;
  const std::string folder = "/dev/shm";
  const fuzz::InputFile input(data, size, "");
  if (std::rename(input.path().c_str(), cdda::CDTitles_FilePath(folder, titles.disc_key).c_str()) !=
      0)
    return;
  cdda::CDTitles_Load(folder, titles);
  ::unlink(cdda::CDTitles_FilePath(folder, titles.disc_key).c_str());
}

}  // namespace

int FuzzCdText(const uint8_t* data, size_t size) {
  {
    const fuzz::InputFile sheet(data, size, ".cue");
    cdda::ReadCueSheet(sheet.path());
  }
  ReadTitles(data, size);
  return 0;
}

TW_FUZZ_ENTRY(FuzzCdText)
