// Big-endian numbers as IFF, AU and SCSI replies store them.
#pragma once

#include <cstdint>

namespace platform {

inline uint16_t BigEndian16(const uint8_t* bytes) {
  return static_cast<uint16_t>(uint16_t(bytes[0]) << 8 | bytes[1]);
}

inline uint32_t BigEndian32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

}  // namespace platform
