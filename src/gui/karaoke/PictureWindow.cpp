#include "gui/karaoke/PictureWindow.h"

#include <QImageReader>
#include <QPixmap>

#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextImage = 11000;
constexpr int kLargestSide = 800;

}  // namespace

PictureWindow::PictureWindow() : QLabel(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("karaokePicture"));
  setWindowTitle(QString::fromUtf8(Texts_Get(kTextImage)));
  setAlignment(Qt::AlignCenter);
}

bool PictureWindow::Load(const QString& path) {
  QImageReader reader(path);
  reader.setAllocationLimit(kAllocationLimitMb);
  reader.setAutoTransform(true);
  QImage image = reader.read();
  if (image.isNull()) {
    Forget();
    return false;
  }
  if (image.width() > kLargestSide || image.height() > kLargestSide)
    image = image.scaled(kLargestSide, kLargestSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  setPixmap(QPixmap::fromImage(image));
  adjustSize();
  has_picture_ = true;
  return true;
}

void PictureWindow::Forget() {
  clear();
  has_picture_ = false;
  hide();
}

}  // namespace gui
