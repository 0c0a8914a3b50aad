// Menus built from a table: each entry a label (catalogue text), a shortcut
// key (Ctrl with the letter), a check mark or none, and the return id a pick
// delivers.
#pragma once

#include <QAction>
#include <QMenuBar>

#include <cstdint>
#include <functional>
#include <map>
#include <span>

namespace gui {

struct MenuEntry {
  enum Kind { kMenu, kItem, kCheck, kSeparator };
  Kind kind;
  int32_t label = 0;  // catalogue text
  char key = 0;       // 0: no shortcut
  int id = 0;         // return id
};

// Adds the table's menus to bar; picking an item calls pick with its id. Returns
// each item's action by its return id (check marks are set through these).
std::map<int, QAction*> BuildMenus(QMenuBar& bar, std::span<const MenuEntry> table,
                                   const std::function<void(int id)>& pick);

}  // namespace gui
