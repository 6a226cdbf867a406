// The owner thread's message loop: connection threads hand work to the thread
// that owns the status list and the slot table, and wait until it has run.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace ruz {

class OwnerLoop {
 public:
  /// wake is called from the sending thread whenever a message is queued, so a
  /// front end with its own event loop (Qt) can schedule ProcessPending.
  explicit OwnerLoop(std::function<void()> wake = {});

  /// The calling thread becomes the owner (the constructing thread is by default).
  void BindToCurrentThread();
  bool IsOwnerThread() const;

  /// Runs fn on the owner thread and returns when it has run. On the owner
  /// thread itself fn runs at once.
  void Send(std::function<void()> fn);

  /// Owner thread: runs every queued message.
  void ProcessPending();

  /// Owner thread: handles messages until done() is true; done is tested after
  /// every message and whenever Notify is called.
  void RunUntil(const std::function<bool()> &done);

  /// Wakes RunUntil to test its condition again (any thread).
  void Notify();

 private:
  struct Message {
    std::function<void()> fn;
    bool done = false;
  };
  std::function<void()> wake_;
  std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable handled_;
  std::deque<Message *> queue_;
  unsigned long notifications_ = 0;
};

}  // namespace ruz
