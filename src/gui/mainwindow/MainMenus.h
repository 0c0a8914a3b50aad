// The main window's menu strip as a table: Project, Display, Windows, Settings, Help.
#pragma once

#include <span>

#include "gui/toolkit/MenuTable.h"

namespace gui {

// An id the window handles itself: the player has no part in it.
constexpr int kWindowIdManual = 1000;

std::span<const MenuEntry> MainMenuTable();

}  // namespace gui
