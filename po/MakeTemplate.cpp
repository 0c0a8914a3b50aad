// Writes the gettext template of the built-in texts: one message per text,
// its context the text's identifier and its msgid the English text, so a
// translation is keyed exactly as Texts_Get looks it up.
//   tw_make_pot VERSION OUT.pot
#include <cstdio>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>

#include "platform/AtomicFile.h"
#include "shell/Texts.h"

namespace {

// One character of a PO string literal.
std::string Escaped(char c) {
  switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\n': return "\\n";
    case '\t': return "\\t";
    default: break;
  }
  if (static_cast<unsigned char>(c) < 0x20) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
    return octal;
  }
  return std::string(1, c);
}

// A PO string: texts of several lines are written one quoted line each after
// an empty first string, as the gettext tools lay them out.
std::string PoString(const std::string& text) {
  std::string lines = "\"";
  int line_count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    lines += Escaped(text[i]);
    if (text[i] == '\n' && i + 1 < text.size()) {
      lines += "\"\n\"";
      ++line_count;
    }
  }
  lines += "\"";
  return line_count == 0 ? lines : "\"\"\n" + lines;
}

// Texts handed to printf carry conversions; msgfmt then checks translations keep them.
bool IsFormat(const std::string& text) {
  static const std::regex conversion("%[-+0#]*[0-9]*[diuxXscf]");
  return std::regex_search(text, conversion);
}

void WriteTemplate(std::ostream& out, const std::string& version) {
  out << "# Tunewright's built-in texts. The context of each message is the text's\n"
         "# identifier; the build writes this file from the program's English texts.\n"
         "msgid \"\"\n"
         "msgstr \"\"\n"
         "\"Project-Id-Version: Tunewright "
      << version
      << "\\n\"\n"
         "\"MIME-Version: 1.0\\n\"\n"
         "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
         "\"Content-Transfer-Encoding: 8bit\\n\"\n";
  for (int i = 0; i < Texts_Count(); ++i) {
    const int32_t id = Texts_IdAt(i);
    const std::string english = Texts_Get(id);
    out << "\n";
    if (IsFormat(english)) out << "#, c-format\n";
    out << "msgctxt \"" << id << "\"\n"
        << "msgid " << PoString(english) << "\n"
        << "msgstr \"\"\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: tw_make_pot VERSION OUT.pot\n";
    return 2;
  }
  std::ostringstream text;
  WriteTemplate(text, argv[1]);
  if (!platform::WriteFileAtomically(argv[2], text.str())) {
    std::cerr << "tw_make_pot: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
