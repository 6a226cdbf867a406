// Lowering the priority of one thread only.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

#include "platform/thread_priority.h"

namespace ruz {
namespace {

int NiceOfThisThread() {
  return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

TEST(ThreadPriorityTest, LowersTheCallingThreadOnly) {
  const int before = NiceOfThisThread();
  if (before > 19 - 5) GTEST_SKIP() << "already at nice " << before;
  int inThread = 0;
  std::thread([&] {
    LowerCurrentThreadPriority(5);
    inThread = NiceOfThisThread();
  }).join();
  EXPECT_EQ(inThread, before + 5);
  EXPECT_EQ(NiceOfThisThread(), before);
}

}  // namespace
}  // namespace ruz
