// Writing the cells of a connection's row from the connection thread.
#pragma once

#include <string_view>

namespace ruz {

struct ConnectionSlot;

/// One step on the owner thread: every shown row moves down by one, the slot's
/// state becomes 2 with row 0, and its row is inserted at the top with the item
/// text (the row at index 500 falls off).
void ShowConnectionRow(ConnectionSlot &slot, std::string_view itemText);

/// Sets a cell of the slot's own row (on the owner thread, synchronously).
void SetRowText(ConnectionSlot &slot, int column, std::string_view cp932Text);

/// Column 2, the status text.
void SetStatusText(ConnectionSlot &slot, std::string_view cp932Text);

}  // namespace ruz
