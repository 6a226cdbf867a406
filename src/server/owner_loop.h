// The owner thread's message loop: connection threads hand short functions to
// the thread that owns the status list and the slot table, and wait until they
// have run there.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/events.h"

namespace ruz {

class OwnerLoop {
 public:
  /// The constructing thread is the owner.
  OwnerLoop();
  ~OwnerLoop();
  OwnerLoop(const OwnerLoop &) = delete;
  OwnerLoop &operator=(const OwnerLoop &) = delete;

  bool IsOwnerThread() const;

  /// Runs fn on the owner thread and returns when it has run; on the owner
  /// thread itself fn runs at once. fn must be short and must not block.
  void Send(std::function<void()> fn);

  /// Owner thread: runs every queued function.
  void RunPending();

  /// An eventfd that is readable while work is queued (for a front end's own
  /// event loop, e.g. a QSocketNotifier that calls RunPending).
  int WakeFd() const;

  /// Owner thread: runs queued functions until done() is true. Between checks
  /// it waits with the idle wait (default: until work is queued or Notify).
  void WaitUntil(const std::function<bool()> &done);

  /// Replaces the idle wait of WaitUntil (e.g. a GUI's processEvents).
  void SetIdleWait(std::function<void()> idleWait);

  /// Wakes WaitUntil so it tests its condition again (any thread).
  void Notify();

 private:
  // Implementation detail; see owner_loop.cpp.
  struct Message;
  void Wake();
  std::thread::id owner_;
  EventFd wake_;  // readable while queue_ is not empty, or after Notify
  bool wakeSignalled_ = false;  // wake_ has been signalled and not drained
  std::function<void()> idleWait_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Message>> queue_;
  unsigned long generation_ = 0;
};

}  // namespace ruz
