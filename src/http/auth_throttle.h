// Slowing password guessing: failed Basic-auth attempts counted per client
// address, and a lock on every further attempt from an address that failed
// too often. One table per server start, in memory and bounded.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ruz {

struct AuthThrottleLimits {
  int failuresBeforeLock = 10;
  std::chrono::seconds failureWindow{60};
  std::chrono::seconds firstLock{60};
  std::chrono::seconds longestLock{3600};
  std::size_t addresses = 4096;  // the oldest address is forgotten first
};

/// Whether a failure just locked its address, and for how long.
struct FailureOutcome {
  bool lockedNow = false;
  std::chrono::seconds lock{0};
};

class AuthThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  /// Tells the operator about a lock (CP932 text); called on a connection thread.
  using Notice = void (*)(const std::string &cp932Text);

  explicit AuthThrottle(AuthThrottleLimits limits = {}, Notice notice = nullptr)
      : limits_(limits), notice_(notice) {}

  /// The operator's line about a lock: kept as the latest (for the window's
  /// status bar) and passed to the listener, when there is one.
  void Tell(const std::string &cp932Text, Clock::time_point now = Clock::now());
  /// The latest lock line, when it is younger than maxAge; empty otherwise.
  std::string LatestNotice(std::chrono::seconds maxAge, Clock::time_point now = Clock::now());

  /// Seconds the address is still locked for (rounded up); 0 when it is not.
  long long LockedFor(const std::string &address, Clock::time_point now);
  /// A wrong or malformed credential from the address. The count restarts when
  /// the window since the first counted failure has passed; at the limit the
  /// address is locked, each lock twice as long as the one before, up to the
  /// longest.
  FailureOutcome RecordFailure(const std::string &address, Clock::time_point now);
  /// Admitted credentials: the address's count and lock length start afresh.
  void RecordSuccess(const std::string &address);

 private:
  struct Entry {
    int failures = 0;
    Clock::time_point windowStart;
    Clock::time_point lockedUntil;
    std::chrono::seconds nextLock{0};
    Clock::time_point lastSeen;
  };

  Entry &EntryFor(const std::string &address, Clock::time_point now);
  void ForgetOldest(Clock::time_point now);

  AuthThrottleLimits limits_;
  Notice notice_ = nullptr;
  std::mutex lock_;
  std::unordered_map<std::string, Entry> entries_;
  std::string latestNotice_;
  Clock::time_point latestNoticeAt_;
};

}  // namespace ruz
