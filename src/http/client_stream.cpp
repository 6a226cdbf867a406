// Reads and writes of the client connection.
#include "http/client_stream.h"

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
