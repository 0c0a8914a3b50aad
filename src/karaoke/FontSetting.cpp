#include "karaoke/FontSetting.h"

#include "karaoke/TextScan.h"

namespace karaoke {

std::optional<FontSetting> ParseFontSetting(std::string_view setting) {
  const size_t slash = setting.find('/');
  if (slash == std::string_view::npos || slash == 0) return std::nullopt;
  std::string_view family = setting.substr(0, slash);
  if (family.size() > 5 && family.substr(family.size() - 5) == ".font") family.remove_suffix(5);
  size_t pos = slash + 1;
  int64_t size = 0;
  if (scan::ReadDigits(setting, pos, size) == 0 || size <= 0 || size > 1000) return std::nullopt;
  return FontSetting{std::string(family), static_cast<int>(size)};
}

}  // namespace karaoke
