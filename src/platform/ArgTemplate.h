// The argument template parser shared by the command line and the command port.
//
// A template is a comma-separated list of items such as
// "Name/M,V=Verbosity/N,AHI=AHIMode/K,GUI/S". Each item has one or more names
// ("V=Verbosity": both name the item) and modifiers:
//   /A  always required          /K  the keyword must be given
//   /S  switch (keyword alone)   /N  decimal number
//   /M  collects the remaining positional words
//   /F  takes the rest of the line as one text
// Keywords match without regard to case and take their value as "KEY=value" or
// "KEY value". Positional words fill the free non-keyword items in order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AsciiCase.h"

namespace platform {

struct ArgItem {
  std::vector<std::string> names;
  bool required = false;  // /A
  bool keyword = false;   // /K
  bool is_switch = false; // /S
  bool number = false;    // /N
  bool multi = false;     // /M
  bool rest = false;      // /F
};

// One result slot per template item.
struct ArgValue {
  bool present = false;
  std::string text;                // /K and plain items, /F
  int32_t number = 0;              // /N
  std::vector<std::string> list;   // /M
};

class ArgTemplate {
 public:
  explicit ArgTemplate(std::string_view spec);

  // Parses words into one slot per item; nullopt when the words do not match the
  // template (unknown KEY=value, a missing or non-numeric value, a missing
  // required item, too many words).
  std::optional<std::vector<ArgValue>> Parse(const std::vector<std::string>& words) const;

  const std::vector<ArgItem>& items() const { return items_; }
  // Index of the item named name (any of its names, any case); -1 if none.
  int Find(std::string_view name) const;

 private:
  bool ParseNumber(std::string_view text, int32_t* value) const;
  std::vector<ArgItem> items_;
};

// Splits a command line into words: blanks separate words, a double-quoted run
// is one word (or one value after "KEY="), and inside quotes *" stands for a
// quote and *N for a newline.
std::vector<std::string> SplitArgumentLine(std::string_view line);

}  // namespace platform
