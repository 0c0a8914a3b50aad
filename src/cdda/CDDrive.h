// CDDrive: a CD drive (or disc image) spoken to in SCSI command blocks: choosing
// the audio reading method, reading the table of contents and reading sectors.
// Sizes the drive returns are never trusted.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "cdda/ScsiTransport.h"

namespace cdda {

constexpr int32_t kSectorBytes = 2352;
constexpr int32_t kFramesPerSector = 588;
constexpr int32_t kMaxReadSectors = 65536;
constexpr int kNormalTimeoutMs = 30000;
constexpr int kPollTimeoutMs = 3000;  // disc polling must not stall the main task

// Reading methods 0..6: none, Sony, Toshiba, Philips, NEC, Yamaha, MMC READ CD.
enum CDMethod : int32_t {
  kMethodNone = 0,
  kMethodSony = 1,
  kMethodToshiba = 2,
  kMethodPhilips = 3,
  kMethodNec = 4,
  kMethodYamaha = 5,
  kMethodMmc = 6,
};

struct CDTrackEntry {
  uint16_t audio = 0;     // 1 audio, 0 data
  uint16_t channels = 2;  // 2, or 4 for four-channel audio
  uint32_t start = 0;     // LBA
  uint32_t end = 0;       // LBA, inclusive
  bool usable = false;    // start and end came from sane LBAs
};

struct CDDrive {
  std::unique_ptr<ScsiTransport> scsi;
  int timeout_ms = kNormalTimeoutMs;
  uint32_t first_track = 0;
  uint32_t last_track = 0;
  std::array<CDTrackEntry, 100> tracks{};  // index = track number
  char disc_key[20] = {};
  int32_t method = kMethodNone;
  bool raw_blocks = false;  // MODE SELECT switched the drive to 2352-byte blocks
  char vendor[9] = {};
};

// Releasing a drive first puts it back to 2048-byte blocks if it was switched.
struct CDDriveCloser {
  void operator()(CDDrive* drive) const;
};
using CDDrivePtr = std::unique_ptr<CDDrive, CDDriveCloser>;

// CDDrive_ReadTOC result for a TOC without a single track (never a device error).
constexpr int kTocEmpty = -1;

// Opens the drive that DEVICE names (unit is kept for the settings; Linux nodes
// name one drive each); method 0 chooses automatically. Null when the drive
// cannot be opened, has no disc, or is not a CD drive.
CDDrivePtr CDDrive_Open(const std::string& device, uint32_t unit, int32_t method,
                        int timeout_ms = kNormalTimeoutMs);
// The same over an already open transport.
CDDrivePtr CDDrive_OpenTransport(std::unique_ptr<ScsiTransport> scsi, int32_t method,
                                 int timeout_ms = kNormalTimeoutMs);
// Puts the drive back to 2048-byte blocks if needed and releases it. Null allowed.
void CDDrive_Close(CDDrivePtr& drive);
// 0, a device error, or kTocEmpty; fills the track table and disc_key.
int CDDrive_ReadTOC(CDDrive& drive);
// Bytes read; -1 buffer smaller than count x 2352; -2 the command failed; -3 a
// count below 1 or beyond what the method's command carries, or an unknown
// method; -4 no method. Nothing is sent on -1, -3 and -4.
int32_t CDDrive_ReadSectors(CDDrive& drive, uint32_t lba, int32_t count, std::span<uint8_t> buffer);

// The method the vendor identification chooses (1 when no name matches).
int32_t CDDrive_MethodForVendor(const char* vendor, size_t length);
// The read command block of a method (2 to 6 and 1); empty for 0 or unknown methods.
std::array<uint8_t, 12> CDDrive_ReadCommand(int32_t method, uint32_t lba, uint32_t count,
                                            size_t* length);
// The 12-byte MODE SELECT parameter list for a density code and block length.
std::array<uint8_t, 12> CDDrive_ModeSelectList(uint8_t density, uint16_t block_length);

}  // namespace cdda
