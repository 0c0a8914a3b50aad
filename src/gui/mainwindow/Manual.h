// The user manual (docs/manual.html): found where the program is installed, or
// in the source tree of a build, and opened in the desktop's browser.
#pragma once

#include <QString>

namespace gui {

// The manual's file; empty when neither place has it.
QString ManualPath();
// False when there is no manual or the desktop could not open it.
bool OpenManual();

}  // namespace gui
