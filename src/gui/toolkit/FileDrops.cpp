#include "gui/toolkit/FileDrops.h"

#include <QApplication>
#include <QUrl>

namespace gui {

std::vector<std::string> DroppedPaths(const QMimeData* data) {
  std::vector<std::string> names;
  if (!data) return names;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) names.push_back(url.toLocalFile().toStdString());
  }
  return names;
}

bool InsertDropped(player::PlayerCore& core, const QMimeData* data, int row) {
  const std::vector<std::string> names = DroppedPaths(data);
  if (names.empty()) return false;
  // A folder tree takes a while to read.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  core.InsertNames(names, row);
  QApplication::restoreOverrideCursor();
  return true;
}

}  // namespace gui
