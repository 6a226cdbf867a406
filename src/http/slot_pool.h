// The connection slots of a running server: taken by the accepting thread,
// returned by each connection's own thread as its last step.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "http/connection_slot.h"
#include "http/server_shared.h"

namespace ruz {

/// The most connections served at once, whatever maxconnect says.
inline constexpr int kMaxUsableSlots = 64;

class SlotPool {
 public:
  using Clock = std::chrono::steady_clock;

  /// count slots (cut to 0..kMaxUsableSlots), each pointing at shared.
  SlotPool(int count, const ServerShared &shared);
  SlotPool(const SlotPool &) = delete;
  SlotPool &operator=(const SlotPool &) = delete;

  int Size() const { return count_; }
  int TakenCount() const;

  /// A free slot opened for the connection, or nullptr when every slot is
  /// taken or other connections wait for one (the connection is then left as
  /// it was).
  ConnectionSlot *TryTake(AcceptedConnection &connection);
  /// Waits in line until a slot is free and every connection that waited
  /// before has had its turn, at most until the deadline. With giveUpAfter,
  /// it keeps making the connection that has kept the server waiting longest,
  /// longer than that, give up its slot: one still reading its header ends as
  /// timed out, any other (a slow body, a response it does not read) is shed.
  ConnectionSlot *TakeBefore(Clock::time_point deadline, AcceptedConnection &connection,
                             std::chrono::milliseconds giveUpAfter = {});
  /// No slot is taken from now on; waiting takers give up at once.
  void Close();
  /// Returns a slot (its socket is closed here if still open). The slot must
  /// not be touched by its connection afterwards.
  void Return(ConnectionSlot &slot);

  /// Tells the connection that has waited longest for its request header to
  /// give up its slot, if it has waited longer than minWait and is waiting for
  /// its client now. False when no connection qualifies.
  bool TellLongestWaitingToGiveUp(std::chrono::milliseconds minWait);
  /// Calls fn for every taken slot (under the pool's lock: fn must be short).
  void ForEachTaken(const std::function<void(ConnectionSlot &)> &fn);
  /// Waits until every slot is free or the deadline passes; true when free.
  bool WaitUntilAllFree(Clock::time_point deadline);
  /// Waits until every slot is free.
  void WaitUntilAllFree();

 private:
  ConnectionSlot *TakeLocked(AcceptedConnection &connection);
  /// Which waits may be ended: only for a request header, or any.
  enum class WaitKind { kHeader, kAny };
  bool MakeLongestWaitingGiveUpLocked(std::chrono::milliseconds minWait, WaitKind kind);

  const int count_;
  std::unique_ptr<ConnectionSlot[]> slots_;
  std::unique_ptr<bool[]> taken_;
  int takenCount_ = 0;
  std::deque<std::uint64_t> line_;  // tickets of the takers waiting, in order
  std::uint64_t nextTicket_ = 0;
  bool closed_ = false;
  mutable std::mutex mutex_;
  std::condition_variable returned_;
};

}  // namespace ruz
