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

TEST(ThreadPriorityTest, LowersTheCallingThreadOnlyRelativeToTheMainThread) {
  const int before = NiceOfThisThread();  // gtest runs tests on the main thread
  if (before > 19 - 10) GTEST_SKIP() << "already at nice " << before;
  int first = 0;
  int second = 0;
  std::thread([&] {
    LowerCurrentThreadPriority(10);
    first = NiceOfThisThread();
    // A thread made by a lowered thread starts lowered too, yet ends up at
    // the same distance from the main thread.
    std::thread([&] {
      LowerCurrentThreadPriority(5);
      second = NiceOfThisThread();
    }).join();
  }).join();
  EXPECT_EQ(first, before + 10);
  EXPECT_EQ(second, before + 5);
  EXPECT_EQ(NiceOfThisThread(), before);
}

}  // namespace
}  // namespace ruz
