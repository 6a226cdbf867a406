// Starting and stopping the server of a context: its listeners, connection
// threads and log, and the connections counted while it runs.
#pragma once

#include "server/context.h"

namespace ruz {

/// True when the server runs; false after a warning when bind or listen
/// failed (context.startFailure says why).
[[nodiscard]] bool StartServer(ServerContext &context);
/// Stops accepting (new clients are refused), ends the connections still waiting for their request
/// header (408), gives responses under way settings->stopwait milliseconds and
/// then cuts them off, waits for every connection thread and writes out the
/// log buffer. Never waits on any other thread than the server's own.
void StopServer(ServerContext &context);

/// Connections being served now.
int ActiveConnections(const ServerContext &context);
/// Kept connections waiting for their next request, new ones for their first
/// bytes, and connections whose request has come queued for a slot: all
/// without a slot.
int WaitingConnections(const ServerContext &context);

}  // namespace ruz
