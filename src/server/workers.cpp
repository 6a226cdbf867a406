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
  if (stopping_ || live_ >= maxThreads_) return false;
  try {
    std::thread([this] { Run(); }).detach();
  } catch (const std::system_error &) {
    return false;
  }
  ++live_;
  ++idle_;  // it waits as soon as it runs
  return true;
}

bool ConnectionThreads::ShouldExit(std::uint64_t tag, bool timedOut) const {
  if (stopping_ || tag == kStopTag) return true;
  // The last waiting thread stays, so the poller always has a taker.
  return timedOut && idle_ > 1;
}

void ConnectionThreads::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    lock.unlock();
    const PollEvent event = poller_.WaitOne(static_cast<int>(idleLinger_.count()));
    lock.lock();
    if (event.status == PollWait::kFailed) break;
    const bool timedOut = event.status == PollWait::kTimedOut;
    if (ShouldExit(event.tag, timedOut)) break;
    if (timedOut) continue;
    --idle_;
    // The event's handling may take long: a thread stays to wait meanwhile.
    if (idle_ == 0) StartThreadLocked();
    lock.unlock();
    handle_(event.tag);
    lock.lock();
    ++idle_;
  }
  --idle_;
  lock.unlock();
  ReleaseThreadTlsState();
  lock.lock();
  if (--live_ == 0) ended_.notify_all();
}

void ConnectionThreads::BeginStop() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
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

int ConnectionThreads::IdleCount() {
  std::lock_guard lock(mutex_);
  return idle_;
}

}  // namespace ruz
