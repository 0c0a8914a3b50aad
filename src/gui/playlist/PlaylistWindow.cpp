#include "gui/playlist/PlaylistWindow.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "shell/Texts.h"

namespace gui {

namespace {
constexpr int kTextPlaylistTitle = 1018;
}

PlaylistWindow::PlaylistWindow(player::PlayerCore& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core) {
  setObjectName(QStringLiteral("playlistWindow"));
  setWindowTitle(QString::fromUtf8(Texts_Get(kTextPlaylistTitle)));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  resize(360, 420);
}

void PlaylistWindow::Hold(QWidget& list) { layout()->addWidget(&list); }

void PlaylistWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  core_.SetDisplayOption(player::DisplayOption::kFileList, false);
}

}  // namespace gui
