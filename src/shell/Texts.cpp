#include "shell/Texts.h"

#include <libintl.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include "shell/TextsEnglish.h"

namespace {

using texts_detail::kEnglishTexts;

constexpr const char* kTextDomain = "tunewright";
// Separates a message's context from its msgid in a gettext lookup key.
constexpr char kContextSeparator = '\004';

std::atomic<bool> catalogue_open{false};

const char* EnglishText(int32_t id) {
  for (const auto& entry : kEnglishTexts)
    if (entry.id == id) return entry.text;
  return "";
}

// $TUNEWRIGHT_LOCALEDIR; else the "locale" folder beside the program, where the
// build tree keeps the catalogues it compiles; else the installed catalogues,
// found from the program's own folder so the installation can be moved.
std::string LocaleFolder() {
  if (const char* dir = std::getenv("TUNEWRIGHT_LOCALEDIR"); dir != nullptr && *dir != '\0')
    return dir;
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const std::filesystem::path beside = program.parent_path() / "locale";
  if (std::filesystem::is_directory(beside, ec)) return beside.string();
  return (program.parent_path() / TUNEWRIGHT_LOCALEDIR_FROM_BIN).lexically_normal().string();
}

// The language the user's locale variables name ("de" of "de_DE.UTF-8"), or "".
std::string LanguageOfLocaleVariables() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    const std::string locale = value;
    return locale == "C" || locale == "POSIX" || locale.starts_with("C.") ? "" : locale;
  }
  return "";
}

// Messages follow the user's locale. When that locale is not generated on this
// machine, setlocale fails and gettext would stay in the "C" locale, where it
// ignores LANGUAGE; C.UTF-8 always exists, and the wanted language is then
// carried by LANGUAGE, so a catalogue is used without the locale installed.
// Only LC_MESSAGES changes: number formats stay those the settings file uses.
void SetMessagesLocale() {
  if (std::setlocale(LC_MESSAGES, "") != nullptr) return;
  if (std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr) return;
  const char* language = std::getenv("LANGUAGE");
  if (language != nullptr && *language != '\0') return;
  if (const std::string wanted = LanguageOfLocaleVariables(); !wanted.empty())
    ::setenv("LANGUAGE", wanted.c_str(), 1);
}

}  // namespace

bool Texts_Open() {
  const std::string folder = LocaleFolder();
  if (folder.empty()) return false;
  SetMessagesLocale();
  if (bindtextdomain(kTextDomain, folder.c_str()) == nullptr) return false;
  bind_textdomain_codeset(kTextDomain, "UTF-8");
  // A loaded catalogue translates the empty text into its header.
  const char* header = dgettext(kTextDomain, "");
  catalogue_open = header != nullptr && *header != '\0';
  return catalogue_open;
}

void Texts_Close() { catalogue_open = false; }

const char* Texts_Get(int32_t id) {
  const char* english = EnglishText(id);
  if (!catalogue_open) return english;
  const std::string key = std::to_string(id) + kContextSeparator + english;
  const char* translated = dgettext(kTextDomain, key.c_str());
  // gettext hands back its argument itself when it has no translation.
  return translated == key.c_str() ? english : translated;
}

std::vector<const char*> Texts_Translate(std::span<const int32_t> ids) {
  std::vector<const char*> texts;
  for (const int32_t id : ids) {
    if (id == 0) break;
    texts.push_back(Texts_Get(id));
  }
  texts.push_back(nullptr);
  return texts;
}

int Texts_Count() { return static_cast<int>(std::size(kEnglishTexts)); }

int32_t Texts_IdAt(int index) {
  return index >= 0 && index < Texts_Count() ? kEnglishTexts[index].id : -1;
}
