// SettingsDocument: the settings file in memory. An ordered list of sections,
// each an ordered list of key=value entries kept as text; section names and
// keys match without regard to ASCII letter case and keep the spelling of
// their first insertion. Types exist only in the typed accessors.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "settings/SettingsValues.h"

namespace settings {

struct SettingsEntry {
  std::string key;
  std::string value;
  int line = 0;  // where the value was read from a file (counted from 1); 0 when set
};

struct SettingsSection {
  std::string name;  // may be empty: entries that stood before any header
  std::vector<SettingsEntry> entries;
};

class SettingsDocument {
 public:
  // Merges the entries of a text file into the document (lines of any length
  // are read whole). False only when the file cannot be opened.
  bool Read(const std::string& path);
  // Merges one line of the text form; section holds the name chosen by the
  // last header and is updated by a header line. line_number is kept with the
  // entry so that a value can be complained about where it stands.
  void MergeLine(std::string_view line, std::string& section, int line_number = 0);
  // The whole document in the file's text form.
  std::string ToText() const;
  // Replaces the file atomically with ToText(). False leaves the old file as it was.
  bool Write(const std::string& path) const;

  // Setters: an existing key keeps its place and takes the new value; a new key
  // goes to the end of its section, a new section to the end of the document.
  void SetString(std::string_view section, std::string_view key, std::string_view value);
  void SetNumber(std::string_view section, std::string_view key, int32_t value);
  void SetHex(std::string_view section, std::string_view key, uint32_t value);
  void SetFlag(std::string_view section, std::string_view key, int value);
  void SetBlock(std::string_view section, std::string_view key, std::span<const uint8_t> bytes);

  // Getters return false and leave dest untouched when the section or key is
  // absent, so a missing key keeps the default dest already holds.
  bool GetString(std::string_view section, std::string_view key, std::string& dest) const;
  // Parses a number (clamped to signed 32 bits) and keeps its low-order bits
  // in dest's width: 65537 in a 16-bit setting gives 1, -1 in an int8_t gives -1.
  template <typename Int>
  requires std::is_integral_v<Int>
  bool GetNumber(std::string_view section, std::string_view key, Int& dest) const {
    return GetParsed(section, key, [&dest](const std::string& value) {
      dest = static_cast<Int>(static_cast<uint32_t>(ParseNumber(value)));
    });
  }
  // Unsigned 32-bit hexadecimal settings: 0x80000000 and above read back whole.
  bool GetHex(std::string_view section, std::string_view key, uint32_t& dest) const;
  bool GetFlag(std::string_view section, std::string_view key, uint16_t& dest) const;
  // Decodes hexadecimal pairs into dest; bytes beyond the decoded ones keep their contents.
  bool GetBlock(std::string_view section, std::string_view key, std::span<uint8_t> dest) const;

  // The stored text of a key, or null.
  const std::string* Find(std::string_view section, std::string_view key) const;
  // The entry of a key (its text and line), or null.
  const SettingsEntry* FindEntry(std::string_view section, std::string_view key) const;
  const std::vector<SettingsSection>& sections() const { return sections_; }

 private:
  // Hands the stored text to store when the key exists.
  template <typename Store>
  bool GetParsed(std::string_view section, std::string_view key, Store store) const {
    const std::string* value = Find(section, key);
    if (value == nullptr) return false;
    store(*value);
    return true;
  }
  void Store(std::string_view section, std::string_view key, std::string_view value, int line);
  SettingsSection* FindSection(std::string_view name);
  const SettingsSection* FindSection(std::string_view name) const;

  std::vector<SettingsSection> sections_;
};

}  // namespace settings
