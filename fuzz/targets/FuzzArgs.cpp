// Splits arbitrary text into words and parses them against the command-line
// template and a template made from the input itself.
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "platform/ArgTemplate.h"

int FuzzArgs(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto newline = text.find('\n');
  const std::string_view spec = newline == std::string_view::npos ? "" : text.substr(0, newline);
  const std::string_view line = newline == std::string_view::npos ? text : text.substr(newline + 1);
  const auto words = platform::SplitArgumentLine(line);
  static const platform::ArgTemplate program(
      "FILES/M,V=Verbosity/N,AHI=AHIMode/K,GUI/S,PUBSCREEN/K,PLAY/S,CMD/F");
  program.Parse(words);
  const platform::ArgTemplate own(spec);
  own.Parse(words);
  for (const auto& item : own.items()) {
    if (!item.names.empty()) own.Find(item.names.front());
  }
  return 0;
}

TW_FUZZ_ENTRY(FuzzArgs)
