// The per-address table of failed Basic-auth attempts.
#include "http/auth_throttle.h"

#include <algorithm>
#include <utility>

namespace ruz {

long long AuthThrottle::LockedFor(const std::string &address, Clock::time_point now) {
  std::lock_guard guard(lock_);
  const auto found = entries_.find(address);
  if (found == entries_.end() || found->second.lockedUntil <= now) return 0;
  const auto left = found->second.lockedUntil - now;
  return std::chrono::ceil<std::chrono::seconds>(left).count();
}

FailureOutcome AuthThrottle::RecordFailure(const std::string &address, Clock::time_point now) {
  std::lock_guard guard(lock_);
  Entry &entry = EntryFor(address, now);
  if (entry.failures == 0 || now - entry.windowStart > limits_.failureWindow) {
    entry.failures = 0;
    entry.windowStart = now;
  }
  if (++entry.failures < limits_.failuresBeforeLock) return {};
  const std::chrono::seconds lock =
      entry.nextLock.count() == 0 ? limits_.firstLock : entry.nextLock;
  entry.lockedUntil = now + lock;
  entry.nextLock = std::min(lock * 2, limits_.longestLock);
  entry.failures = 0;
  return {true, lock};
}

void AuthThrottle::RecordSuccess(const std::string &address) {
  std::lock_guard guard(lock_);
  entries_.erase(address);
}

AuthThrottle::Entry &AuthThrottle::EntryFor(const std::string &address, Clock::time_point now) {
  auto found = entries_.find(address);
  if (found == entries_.end()) {
    if (entries_.size() >= limits_.addresses) ForgetOldest(now);
    found = entries_.emplace(address, Entry{}).first;
  }
  found->second.lastSeen = now;
  return found->second;
}

// Addresses under a lock are kept longest, so a flood of new addresses does
// not lift a lock.
void AuthThrottle::ForgetOldest(Clock::time_point now) {
  const auto rank = [now](const auto &item) {
    return std::pair(item.second.lockedUntil > now, item.second.lastSeen);
  };
  const auto oldest = std::min_element(
      entries_.begin(), entries_.end(),
      [&](const auto &a, const auto &b) { return rank(a) < rank(b); });
  if (oldest != entries_.end()) entries_.erase(oldest);
}

void AuthThrottle::Tell(const std::string &cp932Text, Clock::time_point now) {
  {
    std::lock_guard guard(lock_);
    latestNotice_ = cp932Text;
    latestNoticeAt_ = now;
  }
  if (notice_ != nullptr) notice_(cp932Text);
}

std::string AuthThrottle::LatestNotice(std::chrono::seconds maxAge, Clock::time_point now) {
  std::lock_guard guard(lock_);
  if (latestNotice_.empty() || now - latestNoticeAt_ > maxAge) return {};
  return latestNotice_;
}

}  // namespace ruz
