// The file-name patterns of the settings (FILE_PATTERN, "#?.plst"), matched
// without regard to ASCII case: "#?" any run, "?" any one character, "#x" any number of
// x (x may be a group or a class), "(a|b)" alternatives, "~x" anything but x,
// "[a-z]" a class, "'" quotes the next character. "*" is accepted as "#?".
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class WildcardPattern {
 public:
  // Compiles pattern; an unbalanced pattern still compiles, matching literally where it breaks.
  explicit WildcardPattern(std::string_view pattern);
  ~WildcardPattern();
  WildcardPattern(WildcardPattern&&) noexcept;
  WildcardPattern& operator=(WildcardPattern&&) noexcept;

  // True when the whole name matches.
  bool Matches(std::string_view name) const;

  struct Node;

 private:
  std::unique_ptr<Node> root_;
};

}  // namespace platform
