// Connection threads that accept for themselves.
#include "server/workers.h"

#include <system_error>
#include <thread>

#include "platform/tls.h"

namespace ruz {

ConnectionThreads::ConnectionThreads(const Poller &poller, Handle handle, Handle handBack,
                                     int maxThreads, std::chrono::milliseconds idleLinger)
    : poller_(poller),
      handle_(std::move(handle)),
      handBack_(std::move(handBack)),
      maxThreads_(maxThreads),
      idleLinger_(idleLinger) {}

ConnectionThreads::~ConnectionThreads() { StopAndWait(); }

bool ConnectionThreads::Start() {
  if (stop_.Descriptor() < 0 || !poller_.WatchReadable(stop_.Descriptor(), kStopTag)) return false;
  std::lock_guard lock(mutex_);
  return StartThreadLocked();
}

bool ConnectionThreads::StartThreadLocked() {
  if (stopping_.load() || live_ >= maxThreads_) return false;
  try {
    std::thread([this] { Run(); }).detach();
  } catch (const std::system_error &) {
    return false;
  }
  ++live_;
  ++waiting_;  // it waits as soon as it runs
  return true;
}

// Becomes a waiter on the poller, resting first while enough threads wait
// there. False when the thread should exit: the server stops, or it rested a
// whole linger without being needed.
bool ConnectionThreads::TakeWaitingPlace() {
  int waiting = waiting_.load();
  while (waiting < kMaxWaiting) {
    if (waiting_.compare_exchange_weak(waiting, waiting + 1)) return true;
  }
  std::unique_lock lock(mutex_);
  ++resting_;
  const bool needed = needed_.wait_for(lock, idleLinger_, [this] {
    return stopping_.load() || waiting_.load() < kMaxWaiting;
  });
  --resting_;
  if (!needed || stopping_.load()) return false;
  ++waiting_;
  return true;
}

// Stops counting this thread as waiting; false when it should exit instead
// (after a while without events, when another thread still waits: the last
// waiting thread stays, so the poller always has a taker).
bool ConnectionThreads::LeaveWaiting(bool timedOut) {
  int waiting = waiting_.load();
  while (!timedOut || waiting > 1) {
    if (waiting_.compare_exchange_weak(waiting, waiting - 1)) return !timedOut;
  }
  return true;  // the last waiter goes on waiting, still counted
}

// The event's handling may take long: when it leaves no thread waiting, a
// resting one takes its place, else a new one starts.
void ConnectionThreads::KeepAWaiter() {
  if (waiting_.load() > 0) return;
  std::lock_guard lock(mutex_);
  if (resting_ > 0) {
    needed_.notify_one();
  } else {
    StartThreadLocked();
  }
}

void ConnectionThreads::Run() {
  bool counted = true;  // started as a waiter
  for (;;) {
    if (!counted && !TakeWaitingPlace()) break;
    PollEvent events[kBatch];
    const int count = poller_.WaitMany(events, kBatch, static_cast<int>(idleLinger_.count()));
    if (count < 0 || stopping_.load()) {
      --waiting_;
      break;
    }
    if (count == 0) {
      if (!LeaveWaiting(true)) break;  // another thread still waits
      counted = true;
      continue;
    }
    LeaveWaiting(false);
    counted = false;
    KeepAWaiter();
    HandleBatch(events, count);
  }
  Exit();
}

// Handles the events one after the other; after one that took long, the
// others go back to the poller for another thread.
void ConnectionThreads::HandleBatch(const PollEvent *events, int count) {
  using Clock = std::chrono::steady_clock;
  for (int i = 0; i < count; ++i) {
    if (events[i].tag == kStopTag) continue;  // stays readable for every thread
    const Clock::time_point began = Clock::now();
    handle_(events[i].tag);
    if (i + 1 < count && (Clock::now() - began > kQuickHandling || stopping_.load())) {
      for (int rest = i + 1; rest < count; ++rest) {
        if (events[rest].tag != kStopTag) handBack_(events[rest].tag);
      }
      return;
    }
  }
}

void ConnectionThreads::Exit() {
  ReleaseThreadTlsState();
  std::lock_guard lock(mutex_);
  if (--live_ == 0) ended_.notify_all();
}

void ConnectionThreads::BeginStop() {
  std::lock_guard lock(mutex_);
  stopping_.store(true);
  stop_.Signal();  // stays readable: every waiting thread sees it
  needed_.notify_all();
}

void ConnectionThreads::StopAndWait() {
  BeginStop();
  std::unique_lock lock(mutex_);
  ended_.wait(lock, [this] { return live_ == 0; });
}

int ConnectionThreads::LiveCount() {
  std::lock_guard lock(mutex_);
  return live_;
}

int ConnectionThreads::IdleCount() {
  std::lock_guard lock(mutex_);
  return waiting_.load() + resting_;
}

}  // namespace ruz
