// The main window's menu strip as a table: Project, Display, Windows, Settings.
#pragma once

#include <span>

#include "gui/toolkit/MenuTable.h"

namespace gui {

std::span<const MenuEntry> MainMenuTable();

}  // namespace gui
