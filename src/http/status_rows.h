// Writing the cells of a connection's row from the connection's own thread.
#pragma once

#include <initializer_list>
#include <string_view>

#include "http/status_table.h"

namespace ruz {

struct ConnectionSlot;

/// Adds the connection's row at the top of the status list with the host
/// text and the cells (the row at index 500 falls off).
void ShowConnectionRow(ConnectionSlot &slot, std::string_view itemText,
                       std::initializer_list<RowCell> cells = {});

/// Sets a cell of the slot's own row.
void SetRowText(ConnectionSlot &slot, int column, std::string_view cp932Text);

/// Sets several cells of the slot's own row in order, as one change.
void SetRowTexts(ConnectionSlot &slot, std::initializer_list<RowCell> cells);

/// Column 2, the status text.
void SetStatusText(ConnectionSlot &slot, std::string_view cp932Text);

/// Column 2 with a progress text, and how far the body has gone out.
void SetProgressText(ConnectionSlot &slot, std::string_view cp932Text, BodyProgress body);

/// The row is complete: its response cell is set and its log line written.
void FinishConnectionRow(ConnectionSlot &slot);

}  // namespace ruz
