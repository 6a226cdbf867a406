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
  return TakeLocked(connection);
}

ConnectionSlot *SlotPool::TakeBefore(Clock::time_point deadline, AcceptedConnection &connection) {
  std::unique_lock lock(mutex_);
  returned_.wait_until(lock, deadline, [this] { return takenCount_ < count_ || closed_; });
  return TakeLocked(connection);
}

void SlotPool::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  returned_.notify_all();
}

void SlotPool::Return(ConnectionSlot &slot) {
  CloseSlotSocket(slot);
  {
    std::lock_guard lock(mutex_);
    taken_[&slot - slots_.get()] = false;
    --takenCount_;
  }
  returned_.notify_all();
}

bool SlotPool::TellLongestWaitingToGiveUp(std::chrono::milliseconds minWait) {
  std::lock_guard lock(mutex_);
  ConnectionSlot *longest = nullptr;
  Clock::time_point oldest = Clock::now() - minWait;
  for (int i = 0; i < count_; ++i) {
    ConnectionSlot &slot = slots_[i];
    if (!taken_[i] || !slot.awaitingClient.load()) continue;
    // A header still coming counts from the accept, any other wait (a body,
    // a response the client does not read) from its own start.
    const Clock::time_point since =
        slot.headerPhase.load() == HeaderPhase::kReading
            ? slot.acceptedAt
            : Clock::time_point(Clock::duration(slot.awaitingSince.load(std::memory_order_relaxed)));
    if (since < oldest) {
      oldest = since;
      longest = &slot;
    }
  }
  if (longest == nullptr) return false;
  if (TellToGiveUp(*longest)) return true;
  CutOff(*longest);  // its header was complete: the request ends as a client that vanished
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
