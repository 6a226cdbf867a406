// Scheduling weight of the calling thread.
#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ruz {

void LowerCurrentThreadPriority(int steps) {
  // On Linux the nice value belongs to each thread, named by its thread id;
  // the process id names the main thread.
  const int mainThreadNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
  const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
  (void)::setpriority(PRIO_PROCESS, thread, mainThreadNice + steps);
}

}  // namespace ruz
