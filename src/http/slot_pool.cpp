// The connection slots of a running server.
#include "http/slot_pool.h"

#include <algorithm>

namespace ruz {

SlotPool::SlotPool(int count, const ServerShared &shared)
    : count_(std::clamp(count, 0, kMaxUsableSlots)),
      slots_(std::make_unique<ConnectionSlot[]>(static_cast<std::size_t>(count_))),
      taken_(std::make_unique<bool[]>(static_cast<std::size_t>(count_))) {
  for (int i = 0; i < count_; ++i) {
    ConnectionSlot &slot = slots_[i];
    slot.shared = &shared;
    slot.settings = &shared.settings;
    slot.statusTable = shared.statusTable;
    slot.pool = this;
  }
}

int SlotPool::TakenCount() const {
  std::lock_guard lock(mutex_);
  return takenCount_;
}

ConnectionSlot *SlotPool::TakeLocked(AcceptedConnection &connection) {
  if (closed_) return nullptr;
  for (int i = 0; i < count_; ++i) {
    if (taken_[i]) continue;
    taken_[i] = true;
    ++takenCount_;
    OpenSlot(slots_[i], connection);
    return &slots_[i];
  }
  return nullptr;
}

ConnectionSlot *SlotPool::TryTake(AcceptedConnection &connection) {
  std::lock_guard lock(mutex_);
  if (!line_.empty()) return nullptr;  // connections already waiting go first
  return TakeLocked(connection);
}

ConnectionSlot *SlotPool::TakeBefore(Clock::time_point deadline, AcceptedConnection &connection,
                                     std::chrono::milliseconds giveUpAfter) {
  // How often a waiting taker looks again for a connection to give way.
  constexpr std::chrono::milliseconds kLookAgain{50};
  std::unique_lock lock(mutex_);
  const std::uint64_t ticket = nextTicket_++;
  line_.push_back(ticket);
  ConnectionSlot *slot = nullptr;
  for (;;) {
    if (closed_) break;
    if (takenCount_ < count_ && line_.front() == ticket) {
      slot = TakeLocked(connection);
      break;
    }
    const Clock::time_point now = Clock::now();
    if (now >= deadline) break;
    if (giveUpAfter.count() > 0) MakeLongestWaitingGiveUpLocked(giveUpAfter, WaitKind::kAny);
    returned_.wait_until(lock, std::min(deadline, now + kLookAgain));
  }
  line_.erase(std::find(line_.begin(), line_.end(), ticket));
  lock.unlock();
  returned_.notify_all();  // the next in line may have its turn now
  return slot;
}

void SlotPool::Close() {
  std::deque<Queued> queued;  // closed outside the lock
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    queued.swap(queue_);
    SetQueueTimerLocked();
  }
  returned_.notify_all();
}

bool SlotPool::TellLongestWaitingToGiveUp(std::chrono::milliseconds minWait) {
  std::lock_guard lock(mutex_);
  return MakeLongestWaitingGiveUpLocked(minWait, WaitKind::kHeader);
}

bool SlotPool::MakeLongestWaitingGiveUpLocked(std::chrono::milliseconds minWait, WaitKind kind) {
  ConnectionSlot *longest = nullptr;
  Clock::time_point oldest = Clock::now() - minWait;
  for (int i = 0; i < count_; ++i) {
    ConnectionSlot &slot = slots_[i];
    if (!taken_[i] || !slot.awaitingClient.load() || IsGivingWay(slot)) continue;
    const bool readingHeader = slot.headerPhase.load() == HeaderPhase::kReading;
    if (kind == WaitKind::kHeader && !readingHeader) continue;
    // A header still coming counts from the accept; a request whose header
    // has come counts every wait for its client (for its body, for room to
    // send its response) as if they were one: a client that takes its
    // response in dribbles keeps the server waiting as much as one that
    // stops.
    const Clock::time_point since =
        readingHeader ? slot.acceptedAt
                      : Clock::time_point(Clock::duration(slot.awaitingSince.load(std::memory_order_relaxed) -
                                                          slot.awaitedBefore.load(std::memory_order_relaxed)));
    if (since < oldest) {
      oldest = since;
      longest = &slot;
    }
  }
  if (longest == nullptr) return false;
  if (TellToGiveUp(*longest)) return true;
  Shed(*longest);  // its header was complete: the request ends as a client that vanished
  return true;
}

void SlotPool::ForEachTaken(const std::function<void(ConnectionSlot &)> &fn) {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < count_; ++i) {
    if (taken_[i]) fn(slots_[i]);
  }
}

bool SlotPool::WaitUntilAllFree(Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return returned_.wait_until(lock, deadline, [this] { return takenCount_ == 0; });
}

void SlotPool::WaitUntilAllFree() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [this] { return takenCount_ == 0; });
}

}  // namespace ruz
