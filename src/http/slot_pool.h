// The connection slots of a running server: taken by the accepting thread,
// returned (or passed on to a queued connection) by each connection's own
// thread as its last step.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "http/connection_slot.h"
#include "http/server_shared.h"
#include "platform/events.h"

namespace ruz {

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
  /// No slot is taken from now on; waiting takers give up at once and queued
  /// connections are closed.
  void Close();

  // The queue: connections whose request has come wait here for a slot without
  // a thread, and a connection's thread that is done with its slot serves the
  // next one in it on the same slot.

  /// Turns the queue on: a client that keeps the server waiting longer than
  /// giveUpAfter is made to give way to a queued connection. Returns the
  /// descriptor of the queue's timer, readable every little while as long as
  /// connections are queued (call LookAtQueue then); -1 when it cannot be made.
  int OpenQueue(std::chrono::milliseconds giveUpAfter);
  /// A free slot opened for the connection when none is queued before it;
  /// else the connection is moved into the queue until the deadline (or
  /// closed when the pool is closed), and nullptr is returned.
  ConnectionSlot *TakeOrQueue(AcceptedConnection &connection, Clock::time_point deadline);
  /// The queue's timer fired: closes queued connections whose wait has run
  /// out and makes clients that keep the server waiting give way.
  void LookAtQueue();
  /// The slot's connection is over (its socket is closed here if still open):
  /// the slot is opened for a queued connection, which the caller serves next
  /// on it (returned), or returned to the pool (nullptr) when none waits; the
  /// slot must not be touched by its connection after that.
  ConnectionSlot *PassOn(ConnectionSlot &slot);
  /// Connections in the queue now.
  std::size_t QueuedCount() const;

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
  struct Queued {
    AcceptedConnection connection;
    Clock::time_point since;
    Clock::time_point deadline;
  };
  void GiveWayToQueueLocked();
  std::optional<AcceptedConnection> NextQueuedLocked();
  void SetQueueTimerLocked();

  const int count_;
  std::unique_ptr<ConnectionSlot[]> slots_;
  std::unique_ptr<bool[]> taken_;
  int takenCount_ = 0;
  std::deque<std::uint64_t> line_;  // tickets of the takers waiting, in order
  std::uint64_t nextTicket_ = 0;
  bool closed_ = false;
  std::deque<Queued> queue_;  // in arrival order
  std::chrono::milliseconds giveUpAfter_{0};
  std::unique_ptr<IntervalTimer> queueTimer_;  // ticking while queue_ is not empty
  bool queueTimerTicking_ = false;
  mutable std::mutex mutex_;
  std::condition_variable returned_;
};

}  // namespace ruz
