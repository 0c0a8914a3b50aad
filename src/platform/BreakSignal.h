// Ctrl-C: SIGINT and SIGTERM become the break bit of a task's signals. No work
// is done inside a signal handler: the signals are blocked in every thread and
// taken by one sigwait thread.
#pragma once

#include "platform/Signals.h"

namespace platform {

// Call on the main thread before any other thread starts (threads inherit the
// blocked mask). Every later SIGINT or SIGTERM sets Signals::kBreakC on target.
void RouteBreakSignals(Signals& target);

}  // namespace platform
