// ScsiTransport: one SCSI command at a time to a CD drive, whatever stands
// behind it (a Linux device node through SG_IO, or a CUE/BIN disc image).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace cdda {

enum class ScsiDirection { kRead, kWrite };

// Sense data reduced to what callers act on.
struct ScsiSense {
  uint8_t key = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
};

struct ScsiResult {
  int error = 0;           // 0 success; otherwise nonzero (see ScsiErrorCode)
  size_t transferred = 0;  // bytes actually moved
  ScsiSense sense;         // valid when error != 0 and the device sent sense data
};

// The error number of a failed command: sense key, ASC and ASCQ packed as
// 0xKKAAQQ, or kScsiErrorNoSense when the device said nothing useful.
constexpr int kScsiErrorNoSense = 0x0F0000;
constexpr int ScsiErrorCode(const ScsiSense& sense) {
  const int code = (sense.key << 16) | (sense.asc << 8) | sense.ascq;
  return code != 0 ? code : kScsiErrorNoSense;
}

// Sense keys and codes the drive layer and the image answer with.
constexpr ScsiSense kSenseNoMedium{0x02, 0x3A, 0x00};
constexpr ScsiSense kSenseInvalidOpcode{0x05, 0x20, 0x00};
constexpr ScsiSense kSenseLbaOutOfRange{0x05, 0x21, 0x00};
constexpr ScsiSense kSenseInvalidField{0x05, 0x24, 0x00};
constexpr ScsiSense kSenseInvalidParameter{0x05, 0x26, 0x00};
constexpr ScsiSense kSenseWrongTrackMode{0x05, 0x64, 0x00};
constexpr ScsiSense kSenseReadError{0x03, 0x11, 0x00};

class ScsiTransport {
 public:
  virtual ~ScsiTransport() = default;
  // Sends one command block; data receives (kRead) or supplies (kWrite) up to
  // its size. Never throws; failures come back in the result.
  virtual ScsiResult Send(std::span<const uint8_t> cdb, std::span<uint8_t> data,
                          ScsiDirection direction, int timeout_ms) = 0;
};

// Opens the transport a DEVICE setting names: a ".cue" file gives the image
// transport, a path gives SG_IO on that node, anything else (such as the old
// "ide.device") means /dev/sr0. Null when it cannot be opened.
std::unique_ptr<ScsiTransport> OpenScsiTransport(const std::string& device);

// True when name ends in ".cue" (any letter case).
bool HasCueSuffix(const std::string& name);

}  // namespace cdda
