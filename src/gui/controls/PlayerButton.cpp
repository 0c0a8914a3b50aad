#include "gui/controls/PlayerButton.h"

#include <QIcon>

#include <cstring>

#include "shell/Texts.h"

// Outside any namespace, as Qt's resource macro requires.
static void InitImageResource() { Q_INIT_RESOURCE(tunewright); }

namespace gui {
namespace {

struct Image {
  const char* name;
  const char* theme;  // the desktop theme's name for it; null when themes have none
  bool own_image;     // false: the short text below instead
  const char* text;
};

constexpr Image kImages[] = {
    {"Play", "media-playback-start", true, ""},
    {"Pause", "media-playback-pause", true, ""},
    {"Stop", "media-playback-stop", true, ""},
    {"Prev", "media-skip-backward", true, ""},
    {"Next", "media-skip-forward", true, ""},
    {"Backward", "media-seek-backward", true, ""},
    {"Forward", "media-seek-forward", true, ""},
    {"Speaker", "audio-volume-high", true, ""},
    {"Eject", "document-open", true, ""},
    {"Record", "document-save", true, ""},
    {"Cdda", "media-optical-audio", true, ""},
    {"Option", "preferences-system", true, ""},
    {"Shrink", "view-list-details", true, ""},
    {"Random", "media-playlist-shuffle", true, ""},
    {"Intro", nullptr, true, ""},
    {"Loop", "media-playlist-repeat", true, ""},
    {"Dolby", nullptr, true, ""},
    {"Expand", nullptr, true, ""},
    // These show a value or a word the user reads.
    {"Boost", nullptr, false, "x1"},
    {"Balance", nullptr, false, "Bal"},
    {"Treble", nullptr, false, "Treb"},
    {"Bass", nullptr, false, "Bass"},
};

// The desktop's themed icon where it has one, else ours.
QIcon ImageIcon(const Image& image) {
  LoadImages();
  const QIcon own(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(image.name)));
  return image.theme ? QIcon::fromTheme(QString::fromLatin1(image.theme), own) : own;
}

}  // namespace

void LoadImages() {
  static const bool loaded = (InitImageResource(), true);
  (void)loaded;
}

QToolButton* MakePlayerButton(QWidget* parent, const char* image, int tooltip, bool checkable) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(image));
  button->setCheckable(checkable);
  button->setFocusPolicy(Qt::NoFocus);  // keys go to the window's own shortcuts
  if (tooltip) button->setToolTip(QString::fromUtf8(Texts_Get(tooltip)));
  for (const Image& known : kImages) {
    if (std::strcmp(known.name, image) != 0) continue;
    if (known.own_image) {
      button->setIcon(ImageIcon(known));
    } else {
      button->setText(QString::fromLatin1(known.text));
    }
    break;
  }
  return button;
}

}  // namespace gui
