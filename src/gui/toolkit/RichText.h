// Texts shown as Qt rich text. User data (tags, file names) is escaped before
// any formatting is applied, so a tag can never carry markup of its own.
#pragma once

#include <QString>

#include <string>

namespace gui {

// UTF-8 user data as rich text that shows exactly these characters; control
// characters (the list control's escape character among them) become blanks.
QString EscapedText(const std::string& text);
QString BoldText(const QString& rich);
// A catalogue text with the list control's escapes (ESC b, i, n, c) as rich
// text; the rest of it is escaped.
QString CatalogueRichText(const std::string& text);

}  // namespace gui
