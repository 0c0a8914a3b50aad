#include "gui/controls/PlayerButton.h"

#include <QStyle>

#include <cstring>

#include "shell/Texts.h"

namespace gui {
namespace {

struct Image {
  const char* name;
  QStyle::StandardPixmap pixmap;  // SP_CustomBase: the text below instead
  const char* text;
};

constexpr Image kImages[] = {
    {"Play", QStyle::SP_MediaPlay, ""},
    {"Pause", QStyle::SP_MediaPause, ""},
    {"Stop", QStyle::SP_MediaStop, ""},
    {"Prev", QStyle::SP_MediaSkipBackward, ""},
    {"Next", QStyle::SP_MediaSkipForward, ""},
    {"Backward", QStyle::SP_MediaSeekBackward, ""},
    {"Forward", QStyle::SP_MediaSeekForward, ""},
    {"Speaker", QStyle::SP_MediaVolume, ""},
    {"Eject", QStyle::SP_DialogOpenButton, ""},
    {"Record", QStyle::SP_DialogSaveButton, ""},
    {"Cdda", QStyle::SP_DriveCDIcon, ""},
    {"Option", QStyle::SP_CustomBase, "Opt"},
    {"Shrink", QStyle::SP_CustomBase, "List"},
    {"Random", QStyle::SP_CustomBase, "Rnd"},
    {"Intro", QStyle::SP_CustomBase, "Intro"},
    {"Loop", QStyle::SP_CustomBase, "Loop"},
    {"Dolby", QStyle::SP_CustomBase, "Filter"},
    {"Expand", QStyle::SP_CustomBase, "Wide"},
    {"Boost", QStyle::SP_CustomBase, "x1"},
    {"Balance", QStyle::SP_CustomBase, "Bal"},
    {"Treble", QStyle::SP_CustomBase, "Treb"},
    {"Bass", QStyle::SP_CustomBase, "Bass"},
};

}  // namespace

QToolButton* MakePlayerButton(QWidget* parent, const char* image, int tooltip, bool checkable) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(image));
  button->setCheckable(checkable);
  button->setFocusPolicy(Qt::NoFocus);  // keys go to the window's own shortcuts
  if (tooltip) button->setToolTip(QString::fromUtf8(Texts_Get(tooltip)));
  for (const Image& known : kImages) {
    if (std::strcmp(known.name, image) != 0) continue;
    if (known.pixmap == QStyle::SP_CustomBase) {
      button->setText(QString::fromLatin1(known.text));
    } else {
      button->setIcon(button->style()->standardIcon(known.pixmap));
    }
    break;
  }
  return button;
}

}  // namespace gui
