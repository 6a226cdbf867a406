// The connection slots of a running server: taken by the accepting thread,
// returned by each connection's own thread as its last step.
#pragma once

#include <chrono>
#include <condition_variable>
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
  /// taken (the connection is then left as it was).
  ConnectionSlot *TryTake(AcceptedConnection &connection);
  /// Waits until a slot is free or the deadline passes, then tries to take it.
  ConnectionSlot *TakeBefore(Clock::time_point deadline, AcceptedConnection &connection);
  /// No slot is taken from now on; waiting takers give up at once.
  void Close();
  /// Returns a slot (its socket is closed here if still open). The slot must
  /// not be touched by its connection afterwards.
  void Return(ConnectionSlot &slot);

  /// Makes the connection that has kept the server waiting longest give up
  /// its slot, if it is waiting for its client now and has waited longer than
  /// minWait: one still reading its header ends as timed out, any other (a
  /// slow body, a response it does not read) is cut off. False when no
  /// connection qualifies.
  bool TellLongestWaitingToGiveUp(std::chrono::milliseconds minWait);
  /// Calls fn for every taken slot (under the pool's lock: fn must be short).
  void ForEachTaken(const std::function<void(ConnectionSlot &)> &fn);
  /// Waits until every slot is free or the deadline passes; true when free.
  bool WaitUntilAllFree(Clock::time_point deadline);
  /// Waits until every slot is free.
  void WaitUntilAllFree();

 private:
  ConnectionSlot *TakeLocked(AcceptedConnection &connection);

  const int count_;
  std::unique_ptr<ConnectionSlot[]> slots_;
  std::unique_ptr<bool[]> taken_;
  int takenCount_ = 0;
  bool closed_ = false;
  mutable std::mutex mutex_;
  std::condition_variable returned_;
};

}  // namespace ruz
