// Reading the table of contents: every length and track number the drive
// returns is bounded before use.
#include <algorithm>

#include "cdda/CDDrive.h"
#include "cdda/DiscKey.h"
#include "platform/ByteOrder.h"
#include "platform/Utf8.h"

namespace cdda {
namespace {

constexpr size_t kTocBytes = 804;  // header and 100 descriptors
constexpr uint8_t kLeadOut = 0xAA;
constexpr uint64_t kMaxTrackSectors = INT32_MAX / kFramesPerSector;

using platform::BigEndian32;

// A track ends one sector before whatever follows it; a following LBA that does
// not lie after the start leaves the track unusable rather than wrapping.
void EndTrackBefore(CDTrackEntry& track, uint32_t next_start) {
  const uint64_t length = next_start > track.start ? uint64_t(next_start) - track.start : 0;
  track.usable = length > 0 && length <= kMaxTrackSectors;
  track.end = track.usable ? next_start - 1 : track.start;
}

// The descriptor bytes actually present: bounded by the data length, the bytes
// transferred and the buffer.
size_t DescriptorBytes(const std::array<uint8_t, kTocBytes>& toc, size_t transferred) {
  const size_t data_length = (size_t{toc[0]} << 8) | toc[1];
  const size_t present = std::min(transferred, kTocBytes) - 4;
  return std::min(data_length >= 2 ? data_length - 2 : 0, present);
}

// On an Enhanced CD the audio session's last track ends where the audio session
// does, 11400 sectors before the data session, not just before the data track.
void EndAudioSession(CDDrive& drive) {
  std::array<uint8_t, 12> info{};
  const uint8_t cdb[10] = {0x43, 0, 0x01, 0, 0, 0, 0, 0, 12, 0};
  const ScsiResult result = drive.scsi->Send(cdb, info, ScsiDirection::kRead, drive.timeout_ms);
  if (result.error != 0 || result.transferred < info.size() || info[3] < 2) return;
  const int data_track = info[6];
  if (data_track < 2 || data_track > 99) return;
  CDTrackEntry& data = drive.tracks[data_track];
  CDTrackEntry& audio = drive.tracks[data_track - 1];
  if (data.audio || !audio.audio || !audio.usable) return;
  constexpr uint32_t kSessionGap = 11400;
  if (data.start > uint64_t(audio.start) + kSessionGap)
    EndTrackBefore(audio, data.start - kSessionGap);
}

}  // namespace

int CDDrive_ReadTOC(CDDrive& drive) {
  drive.first_track = drive.last_track = 0;
  drive.tracks = {};
  drive.disc_key[0] = '\0';
  std::array<uint8_t, kTocBytes> toc{};
  const uint8_t cdb[10] = {0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0};
  const ScsiResult result = drive.scsi->Send(cdb, toc, ScsiDirection::kRead, drive.timeout_ms);
  if (result.error != 0) return result.error;
  if (result.transferred < 4) return kTocEmpty;
  const size_t descriptors = DescriptorBytes(toc, result.transferred) / 8;

  uint32_t count = 0, key_start = 0, leadout = 0;
  int previous = 0;
  for (size_t i = 0; i < descriptors; ++i) {
    const uint8_t* d = &toc[4 + 8 * i];
    const int number = d[2];
    const uint32_t lba = BigEndian32(d + 4);
    if (number >= 1 && number <= 99) {
      if (previous) EndTrackBefore(drive.tracks[previous], lba);
      CDTrackEntry& track = drive.tracks[number];
      track = CDTrackEntry{};
      track.audio = (d[1] & 0x04) ? 0 : 1;
      track.channels = (d[1] & 0x08) ? 4 : 2;
      track.start = track.end = lba;
      previous = number;
      if (++count <= 3) key_start = lba;
    } else if (number == kLeadOut) {
      leadout = lba;
      if (previous) EndTrackBefore(drive.tracks[previous], lba);
      previous = 0;
    }
  }
  drive.first_track = std::clamp<uint32_t>(toc[2], 1, 99);
  drive.last_track = std::clamp<uint32_t>(toc[3], 1, 99);
  if (count == 0 || drive.first_track > drive.last_track) return kTocEmpty;
  EndAudioSession(drive);
  platform::CopyField(drive.disc_key, CDDA_FormatDiscKey(count, key_start, leadout));
  return 0;
}

}  // namespace cdda
