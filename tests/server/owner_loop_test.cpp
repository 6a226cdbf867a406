// The owner thread's message loop.
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <thread>
#include <vector>

#include "server/owner_loop.h"

namespace ruz {
namespace {

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1;
}

TEST(OwnerLoopTest, SendRunsOnTheOwnerThreadAndWaits) {
  OwnerLoop loop;
  const auto owner = std::this_thread::get_id();
  constexpr int kSenders = 8;
  std::atomic<int> finished{0};
  int counter = 0;  // touched only on the owner thread
  std::vector<std::thread> senders;
  for (int i = 0; i < kSenders; ++i) {
    senders.emplace_back([&] {
      bool onOwner = false;
      loop.Send([&] {
        onOwner = std::this_thread::get_id() == owner;
        ++counter;
      });
      EXPECT_TRUE(onOwner);  // Send returned, so the function has run
      finished.fetch_add(1);
      loop.Notify();  // the condition changed outside the loop
    });
  }
  loop.WaitUntil([&] { return finished.load() == kSenders; });
  for (auto &t : senders) t.join();
  EXPECT_EQ(counter, kSenders);
}

TEST(OwnerLoopTest, SendOnTheOwnerThreadRunsAtOnce) {
  OwnerLoop loop;
  bool ran = false;
  loop.Send([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(loop.IsOwnerThread());
}

TEST(OwnerLoopTest, WakeFdIsReadableWhileWorkIsQueued) {
  OwnerLoop loop;
  EXPECT_FALSE(Readable(loop.WakeFd()));
  std::atomic<bool> sent{false};
  std::thread sender([&] {
    loop.Send([] {});
    sent = true;
  });
  // A front end's event loop: wait for the descriptor, then run the work.
  pollfd p{loop.WakeFd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  loop.RunPending();
  sender.join();
  EXPECT_TRUE(sent);
  EXPECT_FALSE(Readable(loop.WakeFd()));
}

TEST(OwnerLoopTest, NotifyWakesWaitUntilForAConditionSetElsewhere) {
  OwnerLoop loop;
  std::atomic<bool> done{false};
  std::thread other([&] {
    done = true;
    loop.Notify();
  });
  loop.WaitUntil([&] { return done.load(); });
  other.join();
  SUCCEED();
}

TEST(OwnerLoopTest, CustomIdleWaitIsUsedBetweenChecks) {
  OwnerLoop loop;
  int idleCalls = 0;
  loop.SetIdleWait([&] { ++idleCalls; });
  loop.WaitUntil([&] { return idleCalls == 3; });
  EXPECT_EQ(idleCalls, 3);
}

}  // namespace
}  // namespace ruz
