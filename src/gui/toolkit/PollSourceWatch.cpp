#include "gui/toolkit/PollSourceWatch.h"

#include <poll.h>

#include <QSocketNotifier>
#include <QTimer>

#include <map>
#include <utility>
#include <vector>

namespace gui {

struct PollSourceWatch::Private {
  Private(player::PollSource& s, std::function<int()> d) : source(s), deadline_ms(std::move(d)) {}
  player::PollSource& source;
  std::function<int()> deadline_ms;
  std::map<std::pair<int, QSocketNotifier::Type>, QSocketNotifier*> notifiers;
  QTimer deadline;
};

PollSourceWatch::PollSourceWatch(player::PollSource& source, std::function<int()> deadline_ms,
                                 QObject* parent)
    : QObject(parent), p_(new Private(source, std::move(deadline_ms))) {
  p_->deadline.setSingleShot(true);
  connect(&p_->deadline, &QTimer::timeout, this, &PollSourceWatch::Serve);
  Rearm();
}

PollSourceWatch::~PollSourceWatch() = default;

void PollSourceWatch::Serve() {
  std::vector<pollfd> fds;
  p_->source.AddPollFds(fds);
  if (!fds.empty()) ::poll(fds.data(), fds.size(), 0);  // what is ready now, exactly
  p_->source.HandlePollFds(fds);
  Rearm();
}

// The descriptors and events a source wants may change after each turn.
void PollSourceWatch::Rearm() {
  std::vector<pollfd> fds;
  p_->source.AddPollFds(fds);
  std::map<std::pair<int, QSocketNotifier::Type>, QSocketNotifier*> wanted;
  for (const pollfd& fd : fds) {
    std::vector<QSocketNotifier::Type> types;
    if (fd.events & (POLLIN | POLLPRI)) types.push_back(QSocketNotifier::Read);
    if (fd.events & POLLOUT) types.push_back(QSocketNotifier::Write);
    for (const QSocketNotifier::Type type : types) {
      const auto key = std::make_pair(fd.fd, type);
      auto found = p_->notifiers.find(key);
      if (found != p_->notifiers.end()) {
        wanted[key] = found->second;
        p_->notifiers.erase(found);
        continue;
      }
      auto* notifier = new QSocketNotifier(fd.fd, type, this);
      connect(notifier, &QSocketNotifier::activated, this, &PollSourceWatch::Serve);
      wanted[key] = notifier;
    }
  }
  for (auto& [key, notifier] : p_->notifiers) {  // no longer wanted; may be the one firing
    notifier->setEnabled(false);
    notifier->deleteLater();
  }
  p_->notifiers = std::move(wanted);
  const int due = p_->deadline_ms ? p_->deadline_ms() : -1;
  if (due >= 0) {
    p_->deadline.start(due);
  } else {
    p_->deadline.stop();
  }
}

}  // namespace gui
