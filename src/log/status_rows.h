// Writing the cells of a connection's row from the connection thread.
#pragma once

#include <string_view>

namespace ruz {

struct ConnectionSlot;

/// Sets a cell of the slot's own row (on the owner thread, synchronously).
void SetRowText(ConnectionSlot &slot, int column, std::string_view cp932Text);

/// Column 2, the status text.
void SetStatusText(ConnectionSlot &slot, std::string_view cp932Text);

}  // namespace ruz
