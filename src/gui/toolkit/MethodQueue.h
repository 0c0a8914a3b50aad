// The method queue: other threads never touch a widget; they post a call that
// the receiver's own thread runs during its next event-loop turn. Calls are
// coalesced per receiver: a later post replaces one that has not run yet, so a
// main thread that is busy for a while holds at most one call per receiver,
// never an unbounded backlog.
#pragma once

#include <QObject>

#include <cstddef>
#include <functional>
#include <memory>

namespace gui {

class MethodQueue {
 public:
  MethodQueue();
  ~MethodQueue();
  MethodQueue(const MethodQueue&) = delete;
  MethodQueue& operator=(const MethodQueue&) = delete;

  // Any thread. A receiver destroyed (on its own thread) before its turn drops
  // the call; the caller keeps receiver alive while it may still post.
  void Post(QObject* receiver, std::function<void()> call);
  // Calls waiting to run (one at most per receiver).
  size_t Pending() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace gui
