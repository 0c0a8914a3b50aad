// The one road by which menus, keys and buttons reach the player: a return id,
// performed at once on the main thread. The command port's return-id commands
// reach the same controller through the port.
#pragma once

#include <functional>

#include "player/PlayerController.h"

namespace gui {

class ReturnIdDispatcher {
 public:
  explicit ReturnIdDispatcher(player::PlayerController& player) : player_(player) {}
  // False when the id could not take effect (quit while a file requester is open).
  bool Dispatch(int id) { return player_.PerformReturnId(id); }
  // A callable for a signal connection.
  std::function<void()> Sender(int id) {
    return [this, id] { Dispatch(id); };
  }

 private:
  player::PlayerController& player_;
};

}  // namespace gui
