// The older binary settings record, still accepted on load (never written):
// 888 bytes, big-endian, starting with "TWCF" and version 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "settings/SettingsCatalogue.h"

namespace settings {

inline constexpr size_t kLegacyRecordSize = 888;

// True when bytes hold a whole record with the right magic and version.
bool IsLegacySettingsRecord(std::span<const uint8_t> bytes);

// Writes the record's fields over the snapshot (settings the record does not
// hold keep their values). Text fields end at their first NUL and never run
// past 255 bytes. False, with the snapshot untouched, when bytes are no record.
bool DecodeLegacySettingsRecord(std::span<const uint8_t> bytes, SettingsSnapshot& snapshot);

}  // namespace settings
