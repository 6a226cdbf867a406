// Reads and writes of the client connection.
#include "http/client_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "http/connection_slot.h"

namespace ruz {

namespace {

// Marks the connection as waiting for its client while a receive or send
// may wait, so a busy server can end a client that keeps it waiting.
class AwaitingClient {
 public:
  explicit AwaitingClient(ConnectionSlot &slot) : slot_(slot) { MarkAwaitingClient(slot_, true); }
  ~AwaitingClient() {
    if (!ended_) MarkAwaitingClient(slot_, false);
  }
  /// Ends the wait now; how long it lasted.
  std::chrono::steady_clock::duration End() {
    ended_ = true;
    return MarkAwaitingClient(slot_, false);
  }
  AwaitingClient(const AwaitingClient &) = delete;
  AwaitingClient &operator=(const AwaitingClient &) = delete;

 private:
  ConnectionSlot &slot_;
  bool ended_ = false;
};

RecvResult TakeReceived(ConnectionSlot &slot, void *buffer, std::size_t size) {
  const std::size_t count = std::min(size, slot.received.size());
  std::memcpy(buffer, slot.received.data(), count);
  slot.received.erase(0, count);
  return {RecvStatus::kOk, count};
}

bool SendBoth(ConnectionSlot &slot, std::string_view first, std::string_view second) {
  if (!slot.tls.IsValid()) return slot.socket.SendAll(first, second);
  if (first.empty()) return slot.tls.SendAll(second);
  // One record for both parts.
  std::string joined;
  joined.reserve(first.size() + second.size());
  joined.append(first).append(second);
  return slot.tls.SendAll(joined);
}

// A client that takes its response under the minimum rate is lost as one
// whose send failed (see KeepsUpReading); with connecttimeout=0 no rate holds.
bool SendNow(ConnectionSlot &slot, std::string_view first, std::string_view second) {
  AwaitingClient awaiting(slot);
  bool sent = SendBoth(slot, first, second);
  const auto waited = awaiting.End();
  if (sent && slot.settings->connecttimeout > 0) {
    sent = KeepsUpReading(slot.readingPace, first.size() + second.size(), waited);
  }
  if (sent) return true;
  slot.clientLost = true;
  return false;
}

}  // namespace

namespace {

RecvResult Receive(ConnectionSlot &slot, void *buffer, std::size_t size) {
  if (!slot.received.empty() && size > 0) return TakeReceived(slot, buffer, size);
  AwaitingClient awaiting(slot);
  if (slot.tls.IsValid()) return slot.tls.Recv(buffer, size);
  return slot.socket.Recv(buffer, size);
}

}  // namespace

RecvResult ReceiveFromClient(ConnectionSlot &slot, void *buffer, std::size_t size) {
  const RecvResult result = Receive(slot, buffer, size);
  if (result.status == RecvStatus::kOk) slot.bodyLeft -= std::min<std::uint64_t>(slot.bodyLeft, result.bytes);
  return result;
}

bool SendBodyToClient(ConnectionSlot &slot, std::string_view bytes) {
  if (slot.framing.body != BodyFraming::kChunked) return SendToClient(slot, bytes);
  if (bytes.empty()) return true;
  // One send per chunk: its size line, its bytes and their line end together.
  char size[24];
  const int length = std::snprintf(size, sizeof size, "%zX\r\n", bytes.size());
  std::string chunk;
  chunk.reserve(static_cast<std::size_t>(length) + bytes.size() + 2);
  chunk.append(size, static_cast<std::size_t>(length)).append(bytes).append("\r\n");
  return SendToClient(slot, chunk);
}

bool EndBodyToClient(ConnectionSlot &slot) {
  if (slot.framing.body != BodyFraming::kChunked) return true;
  return SendToClient(slot, std::string_view("0\r\n\r\n"));
}

bool SendToClient(ConnectionSlot &slot, std::string_view bytes) {
  if (slot.holdNextSend) {
    slot.holdNextSend = false;
    slot.heldOutput.append(bytes);
    return true;
  }
  if (slot.heldOutput.empty()) return SendNow(slot, {}, bytes);
  const std::string held = std::move(slot.heldOutput);
  slot.heldOutput.clear();
  return SendNow(slot, held, bytes);
}

bool SendToClient(ConnectionSlot &slot, const void *data, std::size_t size) {
  return SendToClient(slot, std::string_view(static_cast<const char *>(data), size));
}

void HoldNextSend(ConnectionSlot &slot) { slot.holdNextSend = true; }

void PauseBetweenPieces(ConnectionSlot &slot, std::chrono::milliseconds pause) {
  if (slot.socket.UnsentBytes() == 0) {
    std::this_thread::sleep_for(pause);
    return;
  }
  AwaitingClient awaiting(slot);
  std::this_thread::sleep_for(pause);
}

bool SetClientReceiveTimeout(ConnectionSlot &slot, int milliseconds) {
  if (slot.tls.IsValid()) return slot.socket.SetReceiveTimeout(milliseconds);
  slot.socket.LimitReceiveWait(milliseconds);
  return true;
}

void LimitClientWaits(ConnectionSlot &slot, int milliseconds) {
  if (slot.transport == Transport::kTls) {
    slot.socket.SetReceiveTimeout(milliseconds);
    slot.socket.SetSendTimeout(milliseconds);
    return;
  }
  slot.socket.LimitWaits(milliseconds, milliseconds);
}

bool FlushClientOutput(ConnectionSlot &slot) {
  slot.holdNextSend = false;
  if (!slot.heldOutput.empty()) SendToClient(slot, std::string_view());
  return !slot.clientLost;
}

bool DiscardRestOfBody(ConnectionSlot &slot, std::uint64_t limit) {
  if (slot.bodyLeft > limit) return false;
  char discard[16384];
  while (slot.bodyLeft > 0) {
    const RecvResult r = ReceiveFromClient(
        slot, discard, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof discard, slot.bodyLeft)));
    if (r.status != RecvStatus::kOk) return false;
  }
  return true;
}

void FinishClientOutput(ConnectionSlot &slot) {
  slot.holdNextSend = false;
  if (!slot.heldOutput.empty()) SendToClient(slot, std::string_view());
  if (slot.tls.IsValid()) slot.tls.Shutdown();
  if (slot.inputMayRemain || !slot.received.empty()) DrainBeforeClose(slot.socket);
}

}  // namespace ruz
