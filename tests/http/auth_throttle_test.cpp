// The failed-password table: when an address is locked, for how long, and
// what the table forgets.
#include <gtest/gtest.h>

#include "http/auth_throttle.h"

namespace ruz {
namespace {

using std::chrono::seconds;

TEST(AuthThrottleTest, LocksAfterTheLimitDoublesOnRepeatAndForgetsOnSuccess) {
  AuthThrottle throttle;
  const AuthThrottle::Clock::time_point start{};
  auto failTimes = [&](const std::string &address, int count, AuthThrottle::Clock::time_point at) {
    FailureOutcome last;
    for (int n = 0; n < count; ++n) last = throttle.RecordFailure(address, at);
    return last;
  };
  EXPECT_FALSE(failTimes("a", 9, start).lockedNow);
  EXPECT_EQ(throttle.LockedFor("a", start), 0);
  const FailureOutcome first = failTimes("a", 1, start);
  EXPECT_TRUE(first.lockedNow);
  EXPECT_EQ(first.lock, seconds(60));
  EXPECT_EQ(throttle.LockedFor("a", start + seconds(1)), 59);
  EXPECT_EQ(throttle.LockedFor("b", start), 0);  // other addresses are not affected
  EXPECT_EQ(throttle.LockedFor("a", start + seconds(60)), 0);
  EXPECT_EQ(failTimes("a", 10, start + seconds(61)).lock, seconds(120));
  // Failures spread beyond the window never add up to a lock.
  for (int n = 0; n < 20; ++n) {
    EXPECT_FALSE(throttle.RecordFailure("c", start + seconds(61 * n)).lockedNow);
  }
  // The latest lock line is kept for the window for a while.
  throttle.Tell("a locked", start);
  EXPECT_EQ(throttle.LatestNotice(seconds(60), start + seconds(60)), "a locked");
  EXPECT_EQ(throttle.LatestNotice(seconds(60), start + seconds(61)), "");
  throttle.RecordSuccess("a");
  EXPECT_EQ(throttle.LatestNotice(seconds(60), start), "a locked");
  EXPECT_EQ(throttle.LockedFor("a", start + seconds(62)), 0);
  EXPECT_EQ(failTimes("a", 10, start + seconds(62)).lock, seconds(60));
}

TEST(AuthThrottleTest, LongestLockIsAnHourAndTheTableIsBounded) {
  AuthThrottleLimits limits;
  limits.addresses = 3;
  AuthThrottle throttle(limits);
  AuthThrottle::Clock::time_point now{};
  seconds lock{0};
  for (int round = 0; round < 8; ++round) {
    for (int n = 0; n < 10; ++n) lock = throttle.RecordFailure("x", now).lock;
    now += lock;
  }
  EXPECT_EQ(lock, seconds(3600));
  throttle.RecordFailure("x", now);
  for (int n = 0; n < 9; ++n) throttle.RecordFailure("x", now);
  // New addresses push out the oldest unlocked ones, never the locked one.
  for (const char *address : {"p", "q", "r", "s"}) throttle.RecordFailure(address, now);
  EXPECT_GT(throttle.LockedFor("x", now), 0);
}

}  // namespace
}  // namespace ruz
