// Connections that wait for their next request without a slot or a thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "http/connection_slot.h"
#include "platform/events.h"
#include "platform/poller.h"

namespace ruz {

struct WaitingRoomLimits {
  /// Connections waiting at once; when full, the one that has waited longest
  /// is closed to make room.
  std::size_t capacity = 1024;
  /// Connections of one client address waiting at once; beyond it, that
  /// address's longest waiting one is closed.
  std::size_t perAddress = 256;
  /// How long a kept connection may wait for its next request.
  std::chrono::milliseconds idleWait{5000};
  /// How long a new connection may wait for its first bytes.
  std::chrono::milliseconds firstWait{20000};
};

/// Kept connections, each watched once on the shared poller under a tag of its
/// own; the thread that gets its event takes it out and serves it. Closing a
/// connection here is quiet: no row, no log line, nothing sent.
class WaitingRoom {
 public:
  using Clock = std::chrono::steady_clock;
  /// Tags of waiting connections have this bit; the sweep timer has kTimerTag.
  static constexpr std::uint64_t kConnectionTagBit = std::uint64_t{1} << 62;
  static constexpr std::uint64_t kTimerTag = kConnectionTagBit - 1;
  static bool IsConnectionTag(std::uint64_t tag) {
    return (tag & kConnectionTagBit) != 0 && tag != ~std::uint64_t{0};
  }

  /// Watches its sweep timer on poller; check IsValid.
  WaitingRoom(const Poller &poller, WaitingRoomLimits limits);
  WaitingRoom(const WaitingRoom &) = delete;
  WaitingRoom &operator=(const WaitingRoom &) = delete;

  bool IsValid() const { return timerWatched_; }
  /// Keeps the connection until its client sends more (or closes), for the
  /// idle wait (the first wait when it has carried no request yet); closes it
  /// when the room is closed or it cannot be watched.
  void Park(AcceptedConnection connection);
  /// The connection parked under tag, when it is still waiting.
  std::optional<AcceptedConnection> Take(std::uint64_t tag);
  /// Watches again the connection (or the sweep timer) whose event a thread
  /// took but left to another.
  void HandBack(std::uint64_t tag);
  /// The sweep timer fired: closes the connections whose wait has run out.
  void Sweep();
  /// Closes every waiting connection, and every one parked from now on.
  void CloseAll();
  bool IsClosed() const;
  std::size_t Count() const;

 private:
  struct Waiting {
    AcceptedConnection connection;
    Clock::time_point deadline;
    IpAddress address;
  };
  struct AddressHash {
    std::size_t operator()(const IpAddress &address) const;
  };
  using Entries = std::map<std::uint64_t, Waiting>;  // by tag: longest waiting first

  void EraseLocked(Entries::iterator at);
  void MakeRoomLocked(const IpAddress &address);

  const Poller &poller_;
  const WaitingRoomLimits limits_;
  IntervalTimer timer_;
  bool timerWatched_ = false;
  mutable std::mutex mutex_;
  Entries entries_;
  std::unordered_map<IpAddress, std::size_t, AddressHash> perAddress_;
  std::uint64_t nextTag_ = kConnectionTagBit;
  std::atomic<bool> closed_{false};  // set under mutex_; read without it too
  std::atomic<int> parking_{0};  // Park calls setting their watch outside the lock
};

}  // namespace ruz
