// Scheduling weight of the calling thread.
#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ruz {

void LowerCurrentThreadPriority(int steps) {
  // On Linux the nice value belongs to each thread, named by its thread id.
  const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
  const int current = ::getpriority(PRIO_PROCESS, thread);
  (void)::setpriority(PRIO_PROCESS, thread, current + steps);
}

}  // namespace ruz
