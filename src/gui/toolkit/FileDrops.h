// Files and folders dropped from a file manager: the local paths a drop carries,
// and adding them to the player with the busy cursor shown meanwhile.
#pragma once

#include <QMimeData>
#include <string>
#include <vector>

#include "player/PlayerCore.h"

namespace gui {

// The local files and folders of a drop, in the order dragged; remote URLs are left out.
std::vector<std::string> DroppedPaths(const QMimeData* data);

// Inserts the dropped names from row on (-1: bottom); false when there were none.
bool InsertDropped(player::PlayerCore& core, const QMimeData* data, int row);

}  // namespace gui
