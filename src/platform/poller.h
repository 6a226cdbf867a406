// One readiness poller shared by several threads (epoll): descriptors are
// added with a tag, and each readiness event wakes one waiting thread.
#pragma once

#include <cstdint>

namespace ruz {

/// What woke a waiting thread: the tag its descriptor was added with.
enum class PollWait { kReady, kTimedOut, kFailed };

struct PollEvent {
  PollWait status = PollWait::kFailed;
  std::uint64_t tag = 0;  // valid for kReady
};

/// An epoll instance; closed by the destructor. "Not set" is -1. Descriptors
/// are watched level-triggered for input, so one left unread wakes the next
/// waiter too (unless watched once).
class Poller {
 public:
  Poller();
  ~Poller();
  Poller(const Poller &) = delete;
  Poller &operator=(const Poller &) = delete;

  bool IsValid() const { return fd_ >= 0; }
  /// Watches fd for input; tag comes back with its events. False on failure.
  [[nodiscard]] bool WatchReadable(int fd, std::uint64_t tag) const;
  /// Like WatchReadable, but after one event fd is not watched until
  /// Rearm: exactly one thread wakes for it, however many wait.
  [[nodiscard]] bool WatchReadableOnce(int fd, std::uint64_t tag) const;
  /// Watches a descriptor added with WatchReadableOnce again.
  bool Rearm(int fd, std::uint64_t tag) const;
  /// Waits for one event, at most timeoutMs (-1: no limit). Safe to call from
  /// several threads at once.
  PollEvent WaitOne(int timeoutMs) const;
  /// Waits for events, at most timeoutMs, and stores up to max of them (all
  /// kReady) in events; returns how many (0 on a time-out, -1 on failure).
  int WaitMany(PollEvent *events, int max, int timeoutMs) const;

 private:
  int fd_ = -1;
};

}  // namespace ruz
