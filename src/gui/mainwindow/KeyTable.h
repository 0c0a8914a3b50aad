// The keys of the main and playlist windows: the numeric pad's (auto-repeating)
// and the ones a desktop user expects: Space play/pause, Left/Right seek 10 s,
// Up/Down volume, Delete removes the highlighted row, the media keys.
#pragma once

#include <QKeyEvent>

namespace gui {

// The return id of a key press; 0 for a key of no meaning here.
int ReturnIdForKey(const QKeyEvent& event);

}  // namespace gui
