// Localised texts: every text the user sees is looked up by a numeric
// identifier. The program carries the English text of each; when a translated
// catalogue is installed (GNU gettext, domain "tunewright", each message's
// context its identifier in decimal and its msgid the English text, looked up
// under $TUNEWRIGHT_LOCALEDIR or <program folder>/../share/locale for the
// user's LANGUAGE / LC_MESSAGES), its translations are used instead.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Binds the catalogue for the user's language. True when a catalogue was
// found; false is not an error (the English texts are used). Main task, at start-up.
bool Texts_Open();
// Stops using the catalogue; harmless when none was opened.
void Texts_Close();
// The text of an identifier: the catalogue's translation when one is open and
// has it, otherwise the English text, or "" for an unknown identifier. The
// pointer stays valid for the life of the program.
const char* Texts_Get(int32_t id);
// Texts of the identifiers up to the first 0 (or the end of ids), followed by
// a null pointer, as choice controls take their label lists. An identifier
// list starting with 0 gives just the null pointer.
std::vector<const char*> Texts_Translate(std::span<const int32_t> ids);

// The number of identifiers in the built-in English table, and the i-th one.
int Texts_Count();
int32_t Texts_IdAt(int index);
