#include "gui/toolkit/RichText.h"

namespace gui {

QString EscapedText(const std::string& text) {
  QString plain = QString::fromUtf8(text);
  for (QChar& c : plain) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) c = QLatin1Char(' ');
  }
  return plain.toHtmlEscaped();
}

QString BoldText(const QString& rich) { return QStringLiteral("<b>") + rich + QStringLiteral("</b>"); }

QString CatalogueRichText(const std::string& text) {
  QString rich;
  bool centred = false;
  std::string run;
  const auto flush = [&] {
    rich += EscapedText(run);
    run.clear();
  };
  bool bold = false, italic = false;
  const auto close_styles = [&] {
    if (italic) rich += QStringLiteral("</i>");
    if (bold) rich += QStringLiteral("</b>");
    bold = italic = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\x1b' || i + 1 == text.size()) {
      run += text[i];
      continue;
    }
    flush();
    switch (text[++i]) {
      case 'b': if (!bold) rich += QStringLiteral("<b>"); bold = true; break;
      case 'i': if (!italic) rich += QStringLiteral("<i>"); italic = true; break;
      case 'n': close_styles(); break;
      case 'c': centred = true; break;
      default: break;
    }
  }
  flush();
  close_styles();
  return centred ? QStringLiteral("<center>") + rich + QStringLiteral("</center>") : rich;
}

}  // namespace gui
