// Plays a drive whose every answer comes from the input: the inquiry, the
// capability page, the TOC, the session info and the sectors read after it.
// The input is split into answers at each two-byte big-endian length.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "FuzzInput.h"
#include "cdda/CDDrive.h"
#include "cdda/ScsiTransport.h"

namespace {

class ScriptedDrive : public cdda::ScsiTransport {
 public:
  ScriptedDrive(const uint8_t* data, size_t size) : rest_(data, size) {}

  cdda::ScsiResult Send(std::span<const uint8_t>, std::span<uint8_t> data,
                        cdda::ScsiDirection direction, int) override {
    cdda::ScsiResult result;
    if (rest_.size() < 2) {
      result.error = cdda::ScsiErrorCode(cdda::kSenseNoMedium);
      return result;
    }
    const size_t wanted = (size_t(rest_[0]) << 8) | rest_[1];
    rest_ = rest_.subspan(2);
    if (direction == cdda::ScsiDirection::kWrite) return result;
    const size_t given = std::min({wanted, rest_.size(), data.size()});
    std::copy_n(rest_.begin(), given, data.begin());
    rest_ = rest_.subspan(given);
    result.transferred = given;
    return result;
  }

 private:
  std::span<const uint8_t> rest_;
};

}  // namespace

int FuzzCdDrive(const uint8_t* data, size_t size) {
  auto drive = cdda::CDDrive_OpenTransport(std::make_unique<ScriptedDrive>(data, size), 0);
  if (!drive) return 0;
  if (cdda::CDDrive_ReadTOC(*drive) == 0) {
    std::vector<uint8_t> sectors(4 * 2352);
    cdda::CDDrive_ReadSectors(*drive, 0, 4, sectors);
  }
  cdda::CDDrive_Close(drive);
  return 0;
}

TW_FUZZ_ENTRY(FuzzCdDrive)
