// The slot pool's queue: connections that wait for a slot without a thread.
#include <algorithm>
#include <utility>

#include "http/slot_pool.h"

namespace ruz {

namespace {

// How often the queue is looked at while connections wait in it.
constexpr std::chrono::milliseconds kQueueLook{20};
// Queued connections at most; when full, the one queued longest is closed.
constexpr std::size_t kMaxQueued = 1024;
// Queued connections are served in arrival order while the queue moves. Once
// the one queued longest has waited this long, the newest goes first: a queue
// that clients who keep the server waiting have filled is then skipped by a
// client that has just come, instead of every newcomer waiting behind them.
constexpr std::chrono::milliseconds kQueueStalled{250};

}  // namespace

int SlotPool::OpenQueue(std::chrono::milliseconds giveUpAfter) {
  std::lock_guard lock(mutex_);
  giveUpAfter_ = giveUpAfter;
  queueTimer_ = std::make_unique<IntervalTimer>(std::chrono::milliseconds(0));
  return queueTimer_->Descriptor();
}

ConnectionSlot *SlotPool::TakeOrQueue(AcceptedConnection &connection, Clock::time_point deadline) {
  std::optional<Queued> dropped;  // closed outside the lock
  std::lock_guard lock(mutex_);
  if (closed_ || queueTimer_ == nullptr) return nullptr;
  if (queue_.empty() && line_.empty()) {
    if (ConnectionSlot *slot = TakeLocked(connection)) return slot;
  }
  if (queue_.size() >= kMaxQueued) {
    dropped.emplace(std::move(queue_.front()));
    queue_.pop_front();
  }
  queue_.push_back(Queued{std::move(connection), Clock::now(), deadline});
  SetQueueTimerLocked();
  GiveWayToQueueLocked();
  return nullptr;
}

void SlotPool::LookAtQueue() {
  std::deque<Queued> expired;  // closed outside the lock
  std::lock_guard lock(mutex_);
  if (queueTimer_ == nullptr) return;
  queueTimer_->Drain();
  const Clock::time_point now = Clock::now();
  for (auto it = queue_.begin(); it != queue_.end();) {
    if (it->deadline > now) {
      ++it;
      continue;
    }
    expired.push_back(std::move(*it));
    it = queue_.erase(it);
  }
  GiveWayToQueueLocked();
  SetQueueTimerLocked();
}

ConnectionSlot *SlotPool::PassOn(ConnectionSlot &slot) {
  CloseSlotSocket(slot);
  {
    std::lock_guard lock(mutex_);
    if (std::optional<AcceptedConnection> next = NextQueuedLocked()) {
      OpenSlot(slot, *next);
      return &slot;
    }
    taken_[&slot - slots_.get()] = false;
    --takenCount_;
  }
  returned_.notify_all();
  return nullptr;
}

std::size_t SlotPool::QueuedCount() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

// One client that keeps the server waiting gives way for every queued
// connection that no slot coming free will serve yet.
void SlotPool::GiveWayToQueueLocked() {
  std::size_t comingFree = 0;
  for (int i = 0; i < count_; ++i) {
    if (taken_[i] && IsGivingWay(slots_[i])) ++comingFree;
  }
  while (comingFree < queue_.size() && MakeLongestWaitingGiveUpLocked(giveUpAfter_, WaitKind::kAny)) {
    ++comingFree;
  }
}

// The queued connection to serve next (see kQueueStalled); one whose wait
// has run out is skipped (and closed).
std::optional<AcceptedConnection> SlotPool::NextQueuedLocked() {
  std::optional<AcceptedConnection> next;
  const Clock::time_point now = Clock::now();
  while (!closed_ && !queue_.empty() && !next) {
    const bool stalled = now - queue_.front().since > kQueueStalled;
    Queued entry = std::move(stalled ? queue_.back() : queue_.front());
    if (stalled) {
      queue_.pop_back();
    } else {
      queue_.pop_front();
    }
    if (entry.deadline > now) next.emplace(std::move(entry.connection));
  }
  SetQueueTimerLocked();
  return next;
}

// The timer ticks while connections are queued; it is set only when that
// changes, so serving with an empty queue costs no system call.
void SlotPool::SetQueueTimerLocked() {
  const bool tick = !queue_.empty();
  if (queueTimer_ == nullptr || tick == queueTimerTicking_) return;
  queueTimer_->Set(tick ? kQueueLook : std::chrono::milliseconds(0));
  queueTimerTicking_ = tick;
}

}  // namespace ruz
