// The owner thread's message loop.
#include "server/owner_loop.h"

namespace ruz {

// Each sender waits on its own condition, so finishing one message wakes one
// sender instead of every thread that is waiting.
struct OwnerLoop::Message {
  std::function<void()> fn;
  bool done = false;
  std::condition_variable ran;
};

OwnerLoop::OwnerLoop() : owner_(std::this_thread::get_id()) {}

OwnerLoop::~OwnerLoop() = default;

bool OwnerLoop::IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

void OwnerLoop::Send(std::function<void()> fn) {
  if (IsOwnerThread()) {
    fn();
    return;
  }
  Message message{std::move(fn)};
  std::unique_lock lock(mutex_);
  queue_.push_back(&message);
  wake_.Signal();
  changed_.notify_all();  // only the owner waits on it
  message.ran.wait(lock, [&] { return message.done; });
}

void OwnerLoop::RunPending() {
  for (;;) {
    Message *message = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) {
        wake_.Drain();
        return;
      }
      message = queue_.front();
      queue_.pop_front();
    }
    message->fn();
    std::lock_guard lock(mutex_);
    message->done = true;
    message->ran.notify_one();
  }
}

int OwnerLoop::WakeFd() const { return wake_.Descriptor(); }

void OwnerLoop::WaitUntil(const std::function<bool()> &done) {
  for (;;) {
    unsigned long seen;
    {
      std::lock_guard lock(mutex_);
      seen = generation_;
    }
    // The generation is taken before the test, so a Notify that follows a
    // failed test always ends the wait below.
    RunPending();
    if (done()) return;
    if (idleWait_) {
      idleWait_();
      continue;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !queue_.empty() || generation_ != seen; });
  }
}

void OwnerLoop::SetIdleWait(std::function<void()> idleWait) { idleWait_ = std::move(idleWait); }

void OwnerLoop::Notify() {
  std::lock_guard lock(mutex_);
  ++generation_;
  wake_.Signal();
  changed_.notify_all();
}

}  // namespace ruz
