#include "platform/WildcardPattern.h"
#include "platform/AsciiCase.h"

#include <cctype>
#include <vector>

namespace platform {

// A pattern is a sequence of nodes; matching walks it with backtracking over the
// name, bounded by the name's length, so no pattern can loop forever.
struct WildcardPattern::Node {
  enum class Kind { kSequence, kLiteral, kAny, kClass, kRepeat, kAlternatives, kNot };
  Kind kind = Kind::kSequence;
  char literal = 0;
  std::string set;  // class: pairs of (from, to)
  bool negated_class = false;
  std::vector<std::unique_ptr<Node>> children;  // sequence items, alternatives, repeat/not body
};

namespace {

using Node = WildcardPattern::Node;

std::unique_ptr<Node> MakeNode(Node::Kind kind) {
  auto node = std::make_unique<Node>();
  node->kind = kind;
  return node;
}

char Fold(char c) { return FoldAscii(c); }

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::unique_ptr<Node> ParseSequence(bool in_group) {
    auto sequence = MakeNode(Node::Kind::kSequence);
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (in_group && (c == '|' || c == ')')) break;
      sequence->children.push_back(ParseItem());
    }
    return sequence;
  }

 private:
  std::unique_ptr<Node> ParseItem() {
    const char c = text_[pos_++];
    switch (c) {
      case '?': return MakeNode(Node::Kind::kAny);
      case '*': {
        auto repeat = MakeNode(Node::Kind::kRepeat);
        repeat->children.push_back(MakeNode(Node::Kind::kAny));
        return repeat;
      }
      case '#': {
        auto repeat = MakeNode(Node::Kind::kRepeat);
        repeat->children.push_back(pos_ < text_.size() ? ParseItem() : Literal('#'));
        return repeat;
      }
      case '~': {
        auto negation = MakeNode(Node::Kind::kNot);
        negation->children.push_back(pos_ < text_.size() ? ParseItem() : Literal('~'));
        return negation;
      }
      case '(': return ParseGroup();
      case '[': return ParseClass();
      case '\'': return Literal(pos_ < text_.size() ? text_[pos_++] : '\'');
      default: return Literal(c);
    }
  }

  std::unique_ptr<Node> Literal(char c) {
    auto node = MakeNode(Node::Kind::kLiteral);
    node->literal = Fold(c);
    return node;
  }

  std::unique_ptr<Node> ParseGroup() {
    auto group = MakeNode(Node::Kind::kAlternatives);
    while (true) {
      group->children.push_back(ParseSequence(true));
      if (pos_ >= text_.size()) break;
      if (text_[pos_++] == ')') break;  // otherwise '|'
    }
    return group;
  }

  std::unique_ptr<Node> ParseClass() {
    auto node = MakeNode(Node::Kind::kClass);
    if (pos_ < text_.size() && text_[pos_] == '~') {
      node->negated_class = true;
      ++pos_;
    }
    while (pos_ < text_.size() && text_[pos_] != ']') {
      const char from = Fold(text_[pos_++]);
      char to = from;
      if (pos_ + 1 < text_.size() && text_[pos_] == '-' && text_[pos_ + 1] != ']') {
        to = Fold(text_[pos_ + 1]);
        pos_ += 2;
      }
      node->set += from;
      node->set += to;
    }
    if (pos_ < text_.size()) ++pos_;  // ']'
    return node;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

bool MatchAt(const Node& node, std::string_view name, size_t pos, size_t* end_out,
             const std::vector<const Node*>& rest, size_t rest_index);

// Nested repeats can backtrack exponentially; a file name that needs more steps
// than this is taken as not matching, so no pattern can stall the program.
constexpr long kStepBudget = 200000;
thread_local long t_steps_left = 0;

// Matches rest[rest_index..] against name[pos..] to the end of the name.
bool MatchRest(const std::vector<const Node*>& rest, size_t index, std::string_view name,
               size_t pos) {
  if (--t_steps_left < 0) return false;
  if (index == rest.size()) return pos == name.size();
  size_t unused = 0;
  return MatchAt(*rest[index], name, pos, &unused, rest, index + 1);
}

bool MatchOne(const Node& node, char c) {
  c = Fold(c);
  switch (node.kind) {
    case Node::Kind::kAny: return true;
    case Node::Kind::kLiteral: return node.literal == c;
    case Node::Kind::kClass: {
      bool in = false;
      for (size_t i = 0; i + 1 < node.set.size(); i += 2)
        in = in || (c >= node.set[i] && c <= node.set[i + 1]);
      return in != node.negated_class;
    }
    default: return false;
  }
}

// Whole-string match of one node against name[from, to).
bool MatchesExactly(const Node& node, std::string_view name) {
  return MatchRest({&node}, 0, name, 0);
}

bool MatchAt(const Node& node, std::string_view name, size_t pos, size_t* end_out,
             const std::vector<const Node*>& rest, size_t rest_index) {
  switch (node.kind) {
    case Node::Kind::kAny:
    case Node::Kind::kLiteral:
    case Node::Kind::kClass:
      if (pos < name.size() && MatchOne(node, name[pos])) {
        *end_out = pos + 1;
        return MatchRest(rest, rest_index, name, pos + 1);
      }
      return false;
    case Node::Kind::kSequence: {
      std::vector<const Node*> joined;
      for (const auto& child : node.children) joined.push_back(child.get());
      joined.insert(joined.end(), rest.begin() + static_cast<long>(rest_index), rest.end());
      return MatchRest(joined, 0, name, pos);
    }
    case Node::Kind::kAlternatives:
      for (const auto& alternative : node.children) {
        if (MatchAt(*alternative, name, pos, end_out, rest, rest_index)) return true;
      }
      return false;
    case Node::Kind::kRepeat: {
      // Zero or more repetitions, each consuming at least one character.
      if (MatchRest(rest, rest_index, name, pos)) return true;
      for (size_t end = pos + 1; end <= name.size(); ++end) {
        if (MatchesExactly(*node.children[0], name.substr(pos, end - pos)) &&
            MatchAt(node, name, end, end_out, rest, rest_index))
          return true;
      }
      return false;
    }
    case Node::Kind::kNot:
      for (size_t end = pos; end <= name.size(); ++end) {
        if (!MatchesExactly(*node.children[0], name.substr(pos, end - pos)) &&
            MatchRest(rest, rest_index, name, end))
          return true;
      }
      return false;
  }
  return false;
}

}  // namespace

WildcardPattern::WildcardPattern(std::string_view pattern)
    : root_(Parser(pattern).ParseSequence(false)) {}
WildcardPattern::~WildcardPattern() = default;
WildcardPattern::WildcardPattern(WildcardPattern&&) noexcept = default;
WildcardPattern& WildcardPattern::operator=(WildcardPattern&&) noexcept = default;

bool WildcardPattern::Matches(std::string_view name) const {
  t_steps_left = kStepBudget;
  return MatchRest({root_.get()}, 0, name, 0);
}

}  // namespace platform
