// The drive's table of contents and capability page from arbitrary bytes: a
// well-formed CD-ROM drive whose MODE SENSE reply is the input's first 1 + n
// bytes (n in the first byte) and whose READ TOC replies are the rest. Then the
// start of each usable track is read, as playing would.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "FuzzInput.h"
#include "cdda/CDDrive.h"
#include "cdda/ScsiTransport.h"

namespace {

class TocDrive : public cdda::ScsiTransport {
 public:
  TocDrive(std::span<const uint8_t> page, std::span<const uint8_t> toc) : page_(page), toc_(toc) {}

  cdda::ScsiResult Send(std::span<const uint8_t> cdb, std::span<uint8_t> data,
                        cdda::ScsiDirection direction, int) override {
    cdda::ScsiResult result;
    if (cdb.empty() || direction == cdda::ScsiDirection::kWrite) return result;
    switch (cdb[0]) {
      case 0x12: return Answer(kInquiry, data);
      case 0x1A:
      case 0x5A: return Answer(page_, data);
      case 0x43:  // full TOC, or the session info from the reply's tail
        return Answer(cdb[2] == 0x01 && toc_.size() >= 12 ? toc_.last(12) : toc_, data);
      default: result.transferred = data.size(); return result;  // sectors of silence
    }
  }

 private:
  static cdda::ScsiResult Answer(std::span<const uint8_t> reply, std::span<uint8_t> data) {
    std::fill(data.begin(), data.end(), 0);
    const size_t given = std::min(reply.size(), data.size());
    std::copy_n(reply.begin(), given, data.begin());
    cdda::ScsiResult result;
    result.transferred = given;
    return result;
  }

  static constexpr uint8_t kInquiry[36] = {5, 0x80, 0, 0x32, 31, 0, 0, 0,  'F', 'U', 'Z', 'Z',
                                           ' ', ' ', ' ', ' ', 'D', 'V', 'D', ' '};
  std::span<const uint8_t> page_, toc_;
};

}  // namespace

int FuzzToc(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::span<const uint8_t> input(data, size);
  const size_t page_size = std::min<size_t>(input[0], size - 1);
  auto drive = cdda::CDDrive_OpenTransport(
      std::make_unique<TocDrive>(input.subspan(1, page_size), input.subspan(1 + page_size)), 0);
  if (!drive) return 0;
  if (cdda::CDDrive_ReadTOC(*drive) == 0) {
    std::vector<uint8_t> sector(cdda::kSectorBytes);
    int tracks_read = 0;
    for (uint32_t number = drive->first_track; number <= drive->last_track && tracks_read < 3;
         ++number) {
      if (number < 1 || number > 99) break;
      const auto& track = drive->tracks[number];
      if (!track.usable || !track.audio) continue;
      cdda::CDDrive_ReadSectors(*drive, track.start, 1, sector);
      ++tracks_read;
    }
  }
  cdda::CDDrive_Close(drive);
  return 0;
}

TW_FUZZ_ENTRY(FuzzToc)
