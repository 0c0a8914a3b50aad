#include "settings/SettingsDocument.h"

#include "platform/AtomicFile.h"
#include "platform/TextLines.h"

namespace settings {
namespace {

size_t SkipSpace(std::string_view text, size_t i) {
  while (i < text.size() && IsSettingsSpace(text[i])) ++i;
  return i;
}

template <typename Sections>
auto FindIn(Sections& sections, std::string_view name) -> decltype(&sections.front()) {
  for (auto& section : sections)
    if (NamesEqual(section.name, name)) return &section;
  return nullptr;
}

// A value is one line: a line break inside one (the older binary record can
// hold any byte) would start a forged line, so it is written as a space; blanks
// at either end are dropped, as reading the line back would drop them.
std::string OneLine(std::string value) {
  for (char& c : value)
    if (c == '\n' || c == '\r') c = ' ';
  const size_t first = SkipSpace(value, 0);
  size_t end = value.size();
  while (end > first && IsSettingsSpace(value[end - 1])) --end;
  return value.substr(first, end - first);
}

}  // namespace

bool SettingsDocument::Read(const std::string& path) {
  platform::TextFile file(path);
  if (!file.is_open()) return false;
  std::string section;
  std::string line;
  for (int number = 1; file.ReadLine(line); ++number) MergeLine(line, section, number);
  return true;
}

void SettingsDocument::MergeLine(std::string_view line, std::string& section, int line_number) {
  size_t i = SkipSpace(line, 0);
  if (i == line.size() || line[i] == ';' || line[i] == '=') return;
  if (line[i] == '[') {
    const std::string_view rest = line.substr(i + 1);
    section = std::string(rest.substr(0, rest.find(']')));
    return;
  }
  const size_t key_start = i;
  while (i < line.size() && !IsSettingsSpace(line[i]) && line[i] != '=') ++i;
  const std::string_view key = line.substr(key_start, i - key_start);
  i = SkipSpace(line, i);
  if (i == line.size() || line[i] != '=') return;
  i = SkipSpace(line, i + 1);
  if (i == line.size()) return;  // an empty value is not stored
  Store(section, key, line.substr(i), line_number);
}

std::string SettingsDocument::ToText() const {
  std::string text;
  for (const SettingsSection& section : sections_) {
    if (&section != &sections_.front()) text += '\n';
    text += '[' + section.name + "]\n";
    for (const SettingsEntry& entry : section.entries)
      text += entry.key + '=' + OneLine(entry.value) + '\n';
  }
  return text;
}

bool SettingsDocument::Write(const std::string& path) const {
  return platform::WriteFileAtomically(path, ToText());
}

void SettingsDocument::SetString(std::string_view section, std::string_view key,
                                 std::string_view value) {
  Store(section, key, value, 0);
}

void SettingsDocument::Store(std::string_view section, std::string_view key, std::string_view value,
                             int line) {
  SettingsSection* target = FindSection(section);
  if (target == nullptr) {
    sections_.push_back(SettingsSection{std::string(section), {}});
    target = &sections_.back();
  }
  for (SettingsEntry& entry : target->entries) {
    if (NamesEqual(entry.key, key)) {
      entry.value = value;
      entry.line = line;
      return;
    }
  }
  target->entries.push_back(SettingsEntry{std::string(key), std::string(value), line});
}

void SettingsDocument::SetNumber(std::string_view section, std::string_view key, int32_t value) {
  SetString(section, key, FormatNumber(value));
}

void SettingsDocument::SetHex(std::string_view section, std::string_view key, uint32_t value) {
  SetString(section, key, FormatHex(value));
}

void SettingsDocument::SetFlag(std::string_view section, std::string_view key, int value) {
  SetString(section, key, FormatFlag(value));
}

void SettingsDocument::SetBlock(std::string_view section, std::string_view key,
                                std::span<const uint8_t> bytes) {
  SetString(section, key, EncodeBlock(bytes));
}

bool SettingsDocument::GetString(std::string_view section, std::string_view key,
                                 std::string& dest) const {
  return GetParsed(section, key, [&](const std::string& value) { dest = value; });
}

bool SettingsDocument::GetHex(std::string_view section, std::string_view key,
                              uint32_t& dest) const {
  return GetParsed(section, key, [&](const std::string& value) { dest = ParseUnsigned32(value); });
}

bool SettingsDocument::GetFlag(std::string_view section, std::string_view key,
                               uint16_t& dest) const {
  return GetParsed(section, key, [&](const std::string& value) { dest = ParseFlag(value); });
}

bool SettingsDocument::GetBlock(std::string_view section, std::string_view key,
                                std::span<uint8_t> dest) const {
  return GetParsed(section, key, [&](const std::string& value) { DecodeBlock(value, dest); });
}

const std::string* SettingsDocument::Find(std::string_view section, std::string_view key) const {
  const SettingsEntry* entry = FindEntry(section, key);
  return entry ? &entry->value : nullptr;
}

const SettingsEntry* SettingsDocument::FindEntry(std::string_view section,
                                                 std::string_view key) const {
  const SettingsSection* found = FindSection(section);
  if (found == nullptr) return nullptr;
  for (const SettingsEntry& entry : found->entries)
    if (NamesEqual(entry.key, key)) return &entry;
  return nullptr;
}

SettingsSection* SettingsDocument::FindSection(std::string_view name) {
  return FindIn(sections_, name);
}

const SettingsSection* SettingsDocument::FindSection(std::string_view name) const {
  return FindIn(sections_, name);
}

}  // namespace settings
