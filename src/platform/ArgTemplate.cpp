#include "platform/ArgTemplate.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace platform {
namespace {

std::vector<std::string_view> SplitOn(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

ArgItem ParseItem(std::string_view spec) {
  ArgItem item;
  const auto pieces = SplitOn(spec, '/');
  for (const std::string_view name : SplitOn(pieces[0], '=')) item.names.emplace_back(name);
  for (size_t i = 1; i < pieces.size(); ++i) {
    if (pieces[i].empty()) continue;
    switch (std::toupper(static_cast<unsigned char>(pieces[i][0]))) {
      case 'A': item.required = true; break;
      case 'K': item.keyword = true; break;
      case 'S': item.is_switch = true; break;
      case 'N': item.number = true; break;
      case 'M': item.multi = true; break;
      case 'F': item.rest = true; break;
      default: break;
    }
  }
  return item;
}

bool LooksLikeKeyword(std::string_view word) {
  if (word.empty()) return false;
  for (const char c : word) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

}  // namespace

ArgTemplate::ArgTemplate(std::string_view spec) {
  for (const std::string_view item : SplitOn(spec, ',')) items_.push_back(ParseItem(item));
}

int ArgTemplate::Find(std::string_view name) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    for (const std::string& candidate : items_[i].names) {
      if (EqualsNoCase(candidate, name)) return static_cast<int>(i);
    }
  }
  return -1;
}

bool ArgTemplate::ParseNumber(std::string_view text, int32_t* value) const {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  int64_t wide = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), wide);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return false;
  if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max())
    return false;
  *value = static_cast<int32_t>(wide);
  return true;
}

std::optional<std::vector<ArgValue>> ArgTemplate::Parse(
    const std::vector<std::string>& words) const {
  std::vector<ArgValue> values(items_.size());
  std::vector<std::string> positional;

  auto store = [&](size_t index, const std::string& text) {
    ArgValue& slot = values[index];
    const ArgItem& item = items_[index];
    if (item.multi) {
      slot.list.push_back(text);
    } else if (item.number) {
      if (!ParseNumber(text, &slot.number)) return false;
    } else {
      slot.text = text;
    }
    slot.present = true;
    return true;
  };

  for (size_t w = 0; w < words.size(); ++w) {
    const std::string& word = words[w];
    const size_t equals = word.find('=');
    const std::string_view key = equals == std::string::npos
                                     ? std::string_view(word)
                                     : std::string_view(word).substr(0, equals);
    const int index = Find(key);
    if (index >= 0) {
      const auto slot = static_cast<size_t>(index);
      if (items_[slot].is_switch) {
        if (equals != std::string::npos) return std::nullopt;
        values[slot].present = true;
        continue;
      }
      if (items_[slot].rest) {
        std::string text = equals != std::string::npos ? word.substr(equals + 1) : "";
        for (size_t r = w + 1; r < words.size(); ++r) text += (text.empty() ? "" : " ") + words[r];
        values[slot].text = text;
        values[slot].present = true;
        break;
      }
      if (equals != std::string::npos) {
        if (!store(slot, word.substr(equals + 1))) return std::nullopt;
      } else {
        if (w + 1 >= words.size()) return std::nullopt;  // keyword without its value
        if (!store(slot, words[++w])) return std::nullopt;
      }
      continue;
    }
    // An unknown KEY=value is a mistake, not a name.
    if (equals != std::string::npos && equals > 0 && LooksLikeKeyword(key)) return std::nullopt;
    positional.push_back(word);
  }

  // Positional words fill the free plain items in template order; a /M item takes
  // every word that is left.
  size_t next = 0;
  for (size_t i = 0; i < items_.size() && next < positional.size(); ++i) {
    const ArgItem& item = items_[i];
    if (item.keyword || item.is_switch || values[i].present) continue;
    if (item.multi) {
      while (next < positional.size()) store(i, positional[next++]);
    } else if (item.rest) {
      std::string text;
      while (next < positional.size()) text += (text.empty() ? "" : " ") + positional[next++];
      values[i].text = text;
      values[i].present = true;
    } else if (!store(i, positional[next++])) {
      return std::nullopt;
    }
  }
  if (next < positional.size()) return std::nullopt;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].required && !values[i].present) return std::nullopt;
  }
  return values;
}

std::vector<std::string> SplitArgumentLine(std::string_view line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    bool quoted_any = false;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
      if (line[i] != '"') {
        word += line[i++];
        continue;
      }
      quoted_any = true;
      ++i;  // opening quote
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '*' && i + 1 < line.size()) {
          const char next = line[i + 1];
          if (next == '"' || next == '*') {
            word += next;
            i += 2;
            continue;
          }
          if (next == 'N' || next == 'n') {
            word += '\n';
            i += 2;
            continue;
          }
        }
        word += line[i++];
      }
      if (i < line.size()) ++i;  // closing quote
    }
    if (!word.empty() || quoted_any) words.push_back(std::move(word));
  }
  return words;
}

}  // namespace platform
