// The client's connection as every producer reads and writes it, whether the
// bytes go over the socket as they are or inside the connection's TLS session.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/socket.h"

namespace ruz {

struct ConnectionSlot;

/// Receives what the client sent (kTimeout after the receive wait limit):
/// bytes that arrived behind the request header first.
RecvResult ReceiveFromClient(ConnectionSlot &slot, void *buffer, std::size_t size);
/// Sends all bytes; false when the client went away (or the send timed out).
bool SendToClient(ConnectionSlot &slot, std::string_view bytes);
bool SendToClient(ConnectionSlot &slot, const void *data, std::size_t size);
/// Sends bytes of the response body: as one chunk when the response is framed
/// chunked (nothing for no bytes), else as they are.
bool SendBodyToClient(ConnectionSlot &slot, std::string_view bytes);
/// Ends a chunked body with its last chunk; nothing for other framings.
bool EndBodyToClient(ConnectionSlot &slot);
/// Pauses between two pieces of a body. While the client has not let the
/// system send everything so far, the pause counts as waiting for it: a
/// client that reads too slowly is then the first to give way to others.
void PauseBetweenPieces(ConnectionSlot &slot, std::chrono::milliseconds pause);
/// Keeps the bytes of the next send to go out with the send after it, so a
/// header and a body leave in one system call.
void HoldNextSend(ConnectionSlot &slot);
/// Bounds every later receive (milliseconds, 0: none).
bool SetClientReceiveTimeout(ConnectionSlot &slot, int milliseconds);
/// The socket's wait limits for a new connection: a TLS session reads and
/// writes the descriptor with blocking calls, so its limits go to the system.
void LimitClientWaits(ConnectionSlot &slot, int milliseconds);
/// Sends held output; false when any send of the response failed.
bool FlushClientOutput(ConnectionSlot &slot);
/// Receives and drops what is left of the request's stated body, when that is
/// at most limit bytes; false when it is more or the client stops sending it.
bool DiscardRestOfBody(ConnectionSlot &slot, std::uint64_t limit);
/// Ends the response so that what was sent arrives intact: held output goes
/// out, a TLS session tells the client it ends, then, when the client may
/// still be sending, the socket is drained (see DrainBeforeClose). The caller
/// closes the socket afterwards.
void FinishClientOutput(ConnectionSlot &slot);

}  // namespace ruz
