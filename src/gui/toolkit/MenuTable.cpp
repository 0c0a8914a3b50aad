#include "gui/toolkit/MenuTable.h"

#include <QMenu>

#include "shell/Texts.h"

namespace gui {

std::map<int, QAction*> BuildMenus(QMenuBar& bar, std::span<const MenuEntry> table,
                                   const std::function<void(int id)>& pick) {
  std::map<int, QAction*> actions;
  QMenu* menu = nullptr;
  for (const MenuEntry& entry : table) {
    const QString label = QString::fromUtf8(Texts_Get(entry.label));
    if (entry.kind == MenuEntry::kMenu) {
      menu = bar.addMenu(label);
      continue;
    }
    if (!menu) continue;  // a table that does not start with a menu
    if (entry.kind == MenuEntry::kSeparator) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(label);
    action->setCheckable(entry.kind == MenuEntry::kCheck);
    if (entry.key) {
      action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + QChar::fromLatin1(entry.key)));
    }
    const int id = entry.id;
    // triggered, not toggled: setting a check mark from the player never picks it.
    QObject::connect(action, &QAction::triggered, action, [pick, id] { pick(id); });
    actions[id] = action;
  }
  return actions;
}

}  // namespace gui
