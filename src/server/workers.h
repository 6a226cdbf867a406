// Connection threads that accept for themselves (leader/followers): at most
// kMaxWaiting idle threads wait on the poller; the one an event wakes handles
// it (accepts and serves the connection) and then waits again. Other idle
// threads rest until a waiter leaves none behind: then one of them takes its
// place, or a new thread starts when none rests. Few threads waiting means few
// runnable threads competing for the cores, while a slow request still never
// holds up the next event. An idle thread exits after a while when another
// one still waits.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/events.h"
#include "platform/poller.h"

namespace ruz {

class ConnectionThreads {
 public:
  /// Handles a readiness event of a descriptor the caller watches on the
  /// poller (its tag); runs on the thread the event woke. Descriptors are
  /// watched once: HandBack watches a descriptor again whose event this
  /// thread took but leaves to another.
  using Handle = std::function<void(std::uint64_t tag)>;
  /// Reserved for the threads' own stop event.
  static constexpr std::uint64_t kStopTag = ~std::uint64_t{0};

  /// At most maxThreads threads; an idle one exits after idleLinger when
  /// another one still waits. Start must be called once.
  ConnectionThreads(const Poller &poller, Handle handle, Handle handBack, int maxThreads,
                    std::chrono::milliseconds idleLinger);
  ~ConnectionThreads();  // stops and waits, like StopAndWait
  ConnectionThreads(const ConnectionThreads &) = delete;
  ConnectionThreads &operator=(const ConnectionThreads &) = delete;

  /// Starts the first thread; false when it (or the stop event) could not be made.
  [[nodiscard]] bool Start();
  /// Wakes every waiting thread to exit; busy threads exit when their
  /// handling returns. Does not wait.
  void BeginStop();
  /// BeginStop, then waits until every thread has returned.
  void StopAndWait();
  /// Readable once the stop has begun (to bound a pause in a handler).
  int StopDescriptor() const { return stop_.Descriptor(); }

  /// Threads alive now (busy or idle), and of them the idle ones.
  int LiveCount();
  int IdleCount();

  /// Threads waiting on the poller at once, at most.
  static constexpr int kMaxWaiting = 4;
  /// Events one wake-up may take; they are handled one after the other while
  /// each is quick, and the rest are handed back after a slow one.
  static constexpr int kBatch = 8;
  static constexpr std::chrono::microseconds kQuickHandling{1000};

 private:
  bool StartThreadLocked();
  void Run();
  bool TakeWaitingPlace();
  bool LeaveWaiting(bool timedOut);
  void KeepAWaiter();
  void HandleBatch(const PollEvent *events, int count);
  void Exit();

  const Poller &poller_;
  const Handle handle_;
  const Handle handBack_;
  const int maxThreads_;
  const std::chrono::milliseconds idleLinger_;
  EventFd stop_;
  std::mutex mutex_;               // for starting, resting and ending threads
  std::condition_variable ended_;  // StopAndWait waits here
  std::condition_variable needed_;  // resting threads wait here for a waiting place
  /// Threads waiting on the poller; changed without the lock on the way to and
  /// from each event, so serving costs no lock while enough threads wait.
  std::atomic<int> waiting_{0};
  int resting_ = 0;  // under mutex_
  int live_ = 0;     // under mutex_
  std::atomic<bool> stopping_{false};
};

}  // namespace ruz
