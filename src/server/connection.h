// The connection thread: one request from accept to close.
#pragma once

namespace ruz {

struct ConnectionSlot;

/// The thread body started by the accept loop for a taken slot.
int ServeConnection(ConnectionSlot *slot);

}  // namespace ruz
