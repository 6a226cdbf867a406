// The owner thread's message loop.
#include "server/owner_loop.h"

#include <semaphore>

namespace ruz {

// Each sender waits on its own semaphore, so finishing one message wakes one
// sender and nobody else. The sender and the owner share the message, so the
// owner's release never touches a message its sender has already dropped.
struct OwnerLoop::Message {
  explicit Message(std::function<void()> f) : fn(std::move(f)) {}
  std::function<void()> fn;
  std::binary_semaphore ran{0};
};

OwnerLoop::OwnerLoop() : owner_(std::this_thread::get_id()) {}

OwnerLoop::~OwnerLoop() = default;

bool OwnerLoop::IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

void OwnerLoop::Send(std::function<void()> fn) {
  if (IsOwnerThread()) {
    fn();
    return;
  }
  auto message = std::make_shared<Message>(std::move(fn));
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(message);
    Wake();
  }
  message->ran.acquire();
}

// Under mutex_. The descriptor is written once per busy spell, not per message.
void OwnerLoop::Wake() {
  if (!wakeSignalled_) {
    wake_.Signal();
    wakeSignalled_ = true;
  }
  changed_.notify_all();  // only the owner waits on it
}

void OwnerLoop::RunPending() {
  std::deque<std::shared_ptr<Message>> batch;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) {
        if (wakeSignalled_) wake_.Drain();
        wakeSignalled_ = false;
        return;
      }
      batch.swap(queue_);
    }
    // Messages that arrive meanwhile form the next batch, in order.
    for (const std::shared_ptr<Message> &message : batch) {
      message->fn();
      message->ran.release();
    }
    batch.clear();
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
  Wake();
}

}  // namespace ruz
