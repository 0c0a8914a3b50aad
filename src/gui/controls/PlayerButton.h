// A button of the main window: the image named after it (from the style, or a
// short text where the style has none), its catalogue tooltip, and an object
// name so tests and the widget dump find it.
#pragma once

#include <QToolButton>

namespace gui {

QToolButton* MakePlayerButton(QWidget* parent, const char* image, int tooltip, bool checkable);

}  // namespace gui
