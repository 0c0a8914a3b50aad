// A button of the main window: the image named after it (the desktop theme's
// icon, else our own, or a short text for the buttons that show a word), its
// catalogue tooltip, and an object name so tests and the widget dump find it.
#pragma once

#include <QToolButton>

namespace gui {

// Makes the compiled-in images (":/icons/<name>.svg", ":/tunewright.svg") available.
void LoadImages();

QToolButton* MakePlayerButton(QWidget* parent, const char* image, int tooltip, bool checkable);

}  // namespace gui
