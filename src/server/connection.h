// The connection thread: the requests of one connection, from the slot's
// taking to its return.
#pragma once

namespace ruz {

struct ConnectionSlot;

/// Serves the slot's connection: its first request, then, while the
/// connection is kept, every request that has already arrived. A kept
/// connection with nothing more to read goes to the waiting room. Then the
/// slot serves the connections queued for one, and is returned to its pool.
void ServeConnection(ConnectionSlot &slot);

}  // namespace ruz
