// Reads and writes of the client connection.
#include "http/client_stream.h"

#include <cstdio>
#include <string>

#include "http/connection_slot.h"

namespace ruz {

RecvResult ReceiveFromClient(ConnectionSlot &slot, void *buffer, std::size_t size) {
  if (slot.tls.IsValid()) return slot.tls.Recv(buffer, size);
  return slot.socket.Recv(buffer, size);
}

RecvResult PeekFromClient(ConnectionSlot &slot, void *buffer, std::size_t size) {
  if (slot.tls.IsValid()) return slot.tls.Peek(buffer, size);
  return slot.socket.Peek(buffer, size);
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
  return SendToClient(slot, bytes.data(), bytes.size());
}

bool SendToClient(ConnectionSlot &slot, const void *data, std::size_t size) {
  if (slot.tls.IsValid()) return slot.tls.SendAll(data, size);
  return slot.socket.SendAll(data, size);
}

bool SetClientReceiveTimeout(const ConnectionSlot &slot, int milliseconds) {
  return slot.socket.SetReceiveTimeout(milliseconds);
}

void FinishClientOutput(ConnectionSlot &slot) {
  if (slot.tls.IsValid()) slot.tls.Shutdown();
  DrainBeforeClose(slot.socket);
}

}  // namespace ruz
