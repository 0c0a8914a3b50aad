#include "gui/mainwindow/Manual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace gui {

QString ManualPath() {
  // Installed: relative to the program, so a moved installation finds it too.
  const QString installed =
      QDir(QCoreApplication::applicationDirPath())
          .filePath(QStringLiteral(TUNEWRIGHT_DOCDIR_FROM_BIN "/manual.html"));
  for (const QString& path : {installed, QStringLiteral(TUNEWRIGHT_SOURCE_DOCDIR "/manual.html")}) {
    if (QFileInfo(path).isFile()) return QFileInfo(path).canonicalFilePath();
  }
  return {};
}

bool OpenManual() {
  const QString path = ManualPath();
  return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace gui
