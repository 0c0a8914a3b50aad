// A font setting as the options store it: "name/size", the size in pixels.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace karaoke {

struct FontSetting {
  std::string family;  // the part before the first "/", without a ".font" ending
  int pixel_size = 0;
};

// The font a setting names; none without a size, with size 0 or with no name.
std::optional<FontSetting> ParseFontSetting(std::string_view setting);

}  // namespace karaoke
