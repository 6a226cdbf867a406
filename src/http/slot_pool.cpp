// The connection slots of a running server.
#include "http/slot_pool.h"

#include <algorithm>

namespace ruz {

SlotPool::SlotPool(int count, const ConnectionSlot &prototype)
    : count_(std::clamp(count, 0, kMaxUsableSlots)),
      slots_(std::make_unique<ConnectionSlot[]>(static_cast<std::size_t>(count_))),
      taken_(std::make_unique<bool[]>(static_cast<std::size_t>(count_))) {
  for (int i = 0; i < count_; ++i) {
    ConnectionSlot &slot = slots_[i];
    slot.settings = prototype.settings;
    slot.statusTable = prototype.statusTable;
    slot.logBuffer = prototype.logBuffer;
    slot.logFile = prototype.logFile;
    slot.logLock = prototype.logLock;
    slot.tlsContext = prototype.tlsContext;
    slot.authThrottle = prototype.authThrottle;
    slot.pool = this;
  }
}

int SlotPool::TakenCount() const {
  std::lock_guard lock(mutex_);
  return takenCount_;
}

ConnectionSlot *SlotPool::TakeLocked(AcceptedConnection &connection) {
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
  returned_.wait_until(lock, deadline, [this] { return takenCount_ < count_; });
  return TakeLocked(connection);
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
    if (!taken_[i] || slot.headerPhase.load() != HeaderPhase::kReading) continue;
    if (!slot.awaitingClient.load()) continue;
    if (slot.acceptedAt < oldest) {
      oldest = slot.acceptedAt;
      longest = &slot;
    }
  }
  return longest != nullptr && TellToGiveUp(*longest);
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
