// The owner thread's loop with many senders at once: every message runs once,
// on the owner thread, before its Send returns, and each sender's messages
// keep their order.
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "server/owner_loop.h"

namespace ruz {
namespace {

TEST(OwnerLoopLoadTest, ManySendersEachKeepTheirOrder) {
  constexpr int kSenders = 16;
  constexpr int kMessages = 500;
  OwnerLoop loop;
  std::vector<std::pair<int, int>> ran;  // touched only on the owner thread
  std::atomic<int> finished{0};
  std::atomic<int> notRunYet{0};
  std::vector<std::thread> senders;
  for (int s = 0; s < kSenders; ++s) {
    senders.emplace_back([&, s] {
      for (int m = 0; m < kMessages; ++m) {
        bool done = false;
        loop.Send([&] {
          ran.emplace_back(s, m);
          done = true;
        });
        if (!done) ++notRunYet;
      }
      ++finished;
      loop.Notify();
    });
  }
  loop.WaitUntil([&] { return finished.load() == kSenders; });
  for (std::thread &t : senders) t.join();

  EXPECT_EQ(notRunYet.load(), 0);
  ASSERT_EQ(ran.size(), static_cast<std::size_t>(kSenders * kMessages));
  std::vector<int> next(kSenders, 0);
  for (const auto &[sender, message] : ran) EXPECT_EQ(message, next[sender]++);
  loop.RunPending();
  pollfd p{loop.WakeFd(), POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 0), 0);  // nothing queued, nothing signalled
}

}  // namespace
}  // namespace ruz
