// The song's picture in a window of its own, "Image". Pictures are read through
// Qt's image readers with an allocation limit, so a hostile file cannot take the
// memory; a picture that does not read shows nothing.
#pragma once

#include <QLabel>
#include <QString>

namespace gui {

class PictureWindow : public QLabel {
  Q_OBJECT

 public:
  // Megabytes a decoded picture may take.
  static constexpr int kAllocationLimitMb = 128;

  PictureWindow();
  // Reads the picture; false (and nothing is held) when it does not read.
  bool Load(const QString& path);
  void Forget();
  bool HasPicture() const { return has_picture_; }

 private:
  bool has_picture_ = false;
};

}  // namespace gui
