// Connection threads that accept for themselves.
#include "server/workers.h"

#include <system_error>
#include <thread>

#include "platform/tls.h"

namespace ruz {

ConnectionThreads::ConnectionThreads(const Poller &poller, Handle handle, int maxThreads,
                                     std::chrono::milliseconds idleLinger)
    : poller_(poller), handle_(std::move(handle)), maxThreads_(maxThreads), idleLinger_(idleLinger) {}

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
  ++idle_;  // it waits as soon as it runs
  return true;
}

// Stops counting this thread as waiting; false when it should exit instead
// (after a while without events, when another thread still waits: the last
// waiting thread stays, so the poller always has a taker).
bool ConnectionThreads::LeaveIdle(bool timedOut) {
  if (!timedOut) return true;
  int idle = idle_.load();
  while (idle > 1) {
    if (idle_.compare_exchange_weak(idle, idle - 1)) return false;
  }
  return true;
}

void ConnectionThreads::Run() {
  for (;;) {
    const PollEvent event = poller_.WaitOne(static_cast<int>(idleLinger_.count()));
    if (event.status == PollWait::kFailed || event.tag == kStopTag || stopping_.load()) {
      --idle_;
      break;
    }
    const bool timedOut = event.status == PollWait::kTimedOut;
    if (!LeaveIdle(timedOut)) break;  // no longer counted as waiting
    if (timedOut) continue;
    // The event's handling may take long: a thread stays to wait meanwhile.
    if (--idle_ == 0) {
      std::lock_guard lock(mutex_);
      StartThreadLocked();
    }
    handle_(event.tag);
    ++idle_;
  }
  Exit();
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

int ConnectionThreads::IdleCount() { return idle_.load(); }

}  // namespace ruz
