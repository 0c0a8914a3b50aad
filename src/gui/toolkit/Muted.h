// Setting a control's value with its notifications muted: the program moves the
// time slider to the song's position this way without seeking, and redraws any
// control from the player's notifications without echoing the change back.
#pragma once

#include <QSignalBlocker>

namespace gui {

template <typename Control, typename Change>
void SetMuted(Control& control, Change&& change) {
  const QSignalBlocker muted(&control);
  change(control);
}

}  // namespace gui
