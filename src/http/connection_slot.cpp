// The connection slot and what other threads may do to it.
#include "http/connection_slot.h"

#include "platform/process.h"

namespace ruz {

void OpenSlot(ConnectionSlot &slot, AcceptedConnection &connection) {
  static_cast<ConnectionState &>(slot) = ConnectionState{
      .socket = std::move(connection.socket),
      .peer = connection.peer,
      .transport = connection.transport,
      .acceptedAt = std::chrono::steady_clock::now(),
      .tls = std::move(connection.tls),
      .received = std::move(connection.received),
      .requestsServed = connection.requestsServed,
      .watched = connection.watched,
  };
  slot.headerPhase.store(HeaderPhase::kReading, std::memory_order_relaxed);
  slot.awaitingClient.store(false, std::memory_order_relaxed);
  slot.awaitedBefore.store(0, std::memory_order_relaxed);
  slot.cutOff.store(false, std::memory_order_relaxed);
  slot.shed.store(false, std::memory_order_relaxed);
  slot.childProcessGroup = 0;
}

AcceptedConnection ReleaseConnection(ConnectionSlot &slot) {
  std::lock_guard lock(slot.interruptLock);
  return AcceptedConnection{
      .socket = std::move(slot.socket),
      .peer = slot.peer,
      .transport = slot.transport,
      .tls = std::move(slot.tls),
      .received = std::move(slot.received),
      .requestsServed = slot.requestsServed + 1,
      .watched = slot.watched,
  };
}

std::chrono::steady_clock::duration MarkAwaitingClient(ConnectionSlot &slot, bool awaiting) {
  const std::int64_t now = std::chrono::steady_clock::now().time_since_epoch().count();
  std::int64_t waited = 0;
  if (awaiting) {
    slot.awaitingSince.store(now, std::memory_order_relaxed);
  } else {
    waited = now - slot.awaitingSince.load(std::memory_order_relaxed);
    slot.awaitedBefore.fetch_add(waited, std::memory_order_relaxed);
  }
  slot.awaitingClient.store(awaiting);
  return std::chrono::steady_clock::duration(waited);
}

bool MarkHeaderComplete(ConnectionSlot &slot) {
  HeaderPhase expected = HeaderPhase::kReading;
  return slot.headerPhase.compare_exchange_strong(expected, HeaderPhase::kComplete);
}

bool TellToGiveUp(ConnectionSlot &slot) {
  HeaderPhase expected = HeaderPhase::kReading;
  if (!slot.headerPhase.compare_exchange_strong(expected, HeaderPhase::kGivenUp)) return false;
  std::lock_guard lock(slot.interruptLock);
  slot.socket.ShutdownReceive();
  return true;
}

void CutOff(ConnectionSlot &slot) {
  slot.cutOff.store(true);
  std::lock_guard lock(slot.interruptLock);
  slot.socket.ShutdownBoth();
  if (slot.childProcessGroup > 0) KillProcessGroup(slot.childProcessGroup);
}

void Shed(ConnectionSlot &slot) {
  slot.shed.store(true);
  std::lock_guard lock(slot.interruptLock);
  slot.socket.ShutdownBoth();
  if (slot.childProcessGroup > 0) KillProcessGroup(slot.childProcessGroup);
}

bool IsGivingWay(const ConnectionSlot &slot) {
  return slot.cutOff.load() || slot.shed.load() || slot.headerPhase.load() == HeaderPhase::kGivenUp;
}

void SetChildProcessGroup(ConnectionSlot &slot, int processGroup) {
  std::lock_guard lock(slot.interruptLock);
  slot.childProcessGroup = processGroup;
  // A program started after the cut-off ends at once.
  if (processGroup > 0 && slot.cutOff.load()) KillProcessGroup(processGroup);
}

void CloseSlotSocket(ConnectionSlot &slot) {
  std::lock_guard lock(slot.interruptLock);
  slot.tls = TlsSession();
  slot.socket.Close();
}

}  // namespace ruz
