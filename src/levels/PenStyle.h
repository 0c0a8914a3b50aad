// The colour a pen setting holds. A pen is 32 bytes: all zero for "the display's
// own colour", else the text "rRRRRRRRR,GGGGGGGG,BBBBBBBB" (three 32-bit hex
// components, the toolkit's pen notation) padded with zero bytes.
#pragma once

#include <cstdint>
#include <optional>

#include "settings/SettingsRecords.h"

namespace levels {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The pen's colour; nothing for an empty or unreadable pen.
std::optional<Rgb> PenColour(const settings::Pen& pen);
settings::Pen PenFromColour(Rgb colour);

}  // namespace levels
