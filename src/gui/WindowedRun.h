// The windowed run: the Qt application, the main and playlist windows over the
// player core, the command port and desktop control, until quit.
#pragma once

#include "shell/Application.h"

namespace gui {

// Registered with the shell by the program's entry. Without a display it says
// so, suggests --headless and returns 1.
int RunWindowedPlayer(const shell::WindowedStart& start);

// True when Qt can open windows here: a platform was chosen in QT_QPA_PLATFORM,
// or a Wayland or X display is named (and, for a local X display, its socket exists).
bool HaveDisplay();

}  // namespace gui
