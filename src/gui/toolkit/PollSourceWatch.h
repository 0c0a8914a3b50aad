// Qt's event loop watching a source of the player's loop (the command port,
// desktop control): a QSocketNotifier for each descriptor the source asks for,
// and a timer for the source's own deadline. When one fires, the source is
// handed exactly what it asked for with the events that are ready, on the main
// thread, as the headless loop does.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "player/MainLoop.h"

namespace gui {

class PollSourceWatch : public QObject {
  Q_OBJECT

 public:
  // deadline_ms: milliseconds until the source is due without events, -1 for none.
  explicit PollSourceWatch(player::PollSource& source, std::function<int()> deadline_ms = {},
                           QObject* parent = nullptr);
  ~PollSourceWatch() override;

 private:
  void Serve();
  void Rearm();

  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
