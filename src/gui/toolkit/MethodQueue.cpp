#include "gui/toolkit/MethodQueue.h"

#include <QMetaObject>
#include <QPointer>

#include <mutex>
#include <unordered_map>

namespace gui {

struct MethodQueue::State {
  struct Entry {
    QPointer<QObject> alive;  // null once the receiver is gone (its turn went with it)
    std::function<void()> call;
  };
  mutable std::mutex mutex;
  std::unordered_map<QObject*, Entry> pending;  // guarded by mutex

  void RunPending(QObject* receiver) {
    std::function<void()> call;
    {
      const std::lock_guard lock(mutex);
      const auto found = pending.find(receiver);
      if (found == pending.end()) return;
      call = std::move(found->second.call);
      pending.erase(found);
    }
    call();
  }
};

MethodQueue::MethodQueue() : state_(std::make_shared<State>()) {}

MethodQueue::~MethodQueue() = default;

void MethodQueue::Post(QObject* receiver, std::function<void()> call) {
  {
    const std::lock_guard lock(state_->mutex);
    State::Entry& entry = state_->pending[receiver];
    const bool turn_on_its_way = static_cast<bool>(entry.call) && !entry.alive.isNull();
    entry.call = std::move(call);
    if (turn_on_its_way) return;  // that turn runs the newest call
    entry.alive = receiver;
  }
  // Weak: calls still on their way after the queue went do nothing.
  const std::weak_ptr<State> weak = state_;
  QMetaObject::invokeMethod(
      receiver,
      [weak, receiver] {
        if (const auto state = weak.lock()) state->RunPending(receiver);
      },
      Qt::QueuedConnection);
}

size_t MethodQueue::Pending() const {
  const std::lock_guard lock(state_->mutex);
  size_t count = 0;
  for (const auto& [receiver, entry] : state_->pending) count += entry.alive.isNull() ? 0 : 1;
  return count;
}

}  // namespace gui
