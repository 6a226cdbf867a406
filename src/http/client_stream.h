// The client's connection as every producer reads and writes it, whether the
// bytes go over the socket as they are or inside the connection's TLS session.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/socket.h"

namespace ruz {

struct ConnectionSlot;

/// Receives what the client sent (kTimeout after the socket's receive time-out).
RecvResult ReceiveFromClient(ConnectionSlot &slot, void *buffer, std::size_t size);
/// Like ReceiveFromClient, but the bytes stay to be received again.
RecvResult PeekFromClient(ConnectionSlot &slot, void *buffer, std::size_t size);
/// Sends all bytes; false when the client went away (or the send timed out).
bool SendToClient(ConnectionSlot &slot, std::string_view bytes);
bool SendToClient(ConnectionSlot &slot, const void *data, std::size_t size);
/// Sends bytes of the response body: as one chunk when the response is framed
/// chunked (nothing for no bytes), else as they are.
bool SendBodyToClient(ConnectionSlot &slot, std::string_view bytes);
/// Ends a chunked body with its last chunk; nothing for other framings.
bool EndBodyToClient(ConnectionSlot &slot);
/// Bounds every later receive (milliseconds, 0: none).
bool SetClientReceiveTimeout(const ConnectionSlot &slot, int milliseconds);
/// Ends the response so that what was sent arrives intact: a TLS session tells
/// the client it ends, then the socket is drained (see DrainBeforeClose). The
/// caller closes the socket afterwards.
void FinishClientOutput(ConnectionSlot &slot);

}  // namespace ruz
