// Writing the cells of a connection's row from the connection thread.
#pragma once

#include <initializer_list>
#include <string_view>

namespace ruz {

struct ConnectionSlot;

/// A cell of the slot's row and its CP932 text.
struct RowCell {
  int column;
  std::string_view text;
};

/// One step on the owner thread: every shown row moves down by one, the slot's
/// state becomes 2 with row 0, its row is inserted at the top with the item
/// text (the row at index 500 falls off), and then the cells are set.
void ShowConnectionRow(ConnectionSlot &slot, std::string_view itemText,
                       std::initializer_list<RowCell> cells = {});

/// Sets a cell of the slot's own row (on the owner thread, synchronously).
void SetRowText(ConnectionSlot &slot, int column, std::string_view cp932Text);

/// Sets several cells in order, as one step on the owner thread. Writes that
/// follow each other with nothing between them go together, so a request
/// waits for the owner thread fewer times.
void SetRowTexts(ConnectionSlot &slot, std::initializer_list<RowCell> cells);

/// Column 2, the status text.
void SetStatusText(ConnectionSlot &slot, std::string_view cp932Text);

}  // namespace ruz
