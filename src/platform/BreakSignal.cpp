#include "platform/BreakSignal.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

#include "platform/Threads.h"

namespace platform {

void RouteBreakSignals(Signals& target) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  // Lives as long as the process; it only ever waits.
  std::thread([set, &target] {
    NameThisThread("TW_Break");
    while (true) {
      int received = 0;
      if (sigwait(&set, &received) == 0) target.Signal(Signals::kBreakC);
    }
  }).detach();
}

}  // namespace platform
