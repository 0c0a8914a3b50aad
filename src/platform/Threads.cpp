#include "platform/Threads.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace platform {

void NameThisThread(std::string_view name) {
  const std::string cut(name.substr(0, 15));
  pthread_setname_np(pthread_self(), cut.c_str());
}

void SetThisThreadPriority(int priority) {
  // Positive task priorities ask for more CPU; only root may lower niceness, so
  // without that right the thread simply keeps its niceness.
  const int nice_value = std::clamp(-priority, -20, 19);
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  ::setpriority(PRIO_PROCESS, tid, nice_value);
}

}  // namespace platform
