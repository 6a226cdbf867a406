// The cells of a connection's row, written on the owner thread.
#include "log/status_rows.h"

#include <string>

#include "log/status_view.h"
#include "server/context.h"
#include "server/owner_loop.h"

namespace ruz {

namespace {

// Owner thread.
void SetCells(ConnectionSlot &slot, std::initializer_list<RowCell> cells) {
  if (slot.listView == nullptr) return;
  for (const RowCell &cell : cells) slot.listView->SetCellText(slot.row, cell.column, cell.text);
}

}  // namespace

void ShowConnectionRow(ConnectionSlot &slot, std::string_view itemText,
                       std::initializer_list<RowCell> cells) {
  slot.owner->Send([&] {
    // The shift and the insertion form one message, so two connections
    // starting together can never leave a slot pointing at another's row.
    if (slot.context != nullptr) ShiftShownRows(*slot.context);
    slot.row = 0;
    slot.state.store(2, std::memory_order_release);
    if (slot.listView != nullptr) slot.listView->InsertTopRow(itemText);
    SetCells(slot, cells);
  });
}

void SetRowText(ConnectionSlot &slot, int column, std::string_view cp932Text) {
  SetRowTexts(slot, {{column, cp932Text}});
}

void SetRowTexts(ConnectionSlot &slot, std::initializer_list<RowCell> cells) {
  slot.owner->Send([&] { SetCells(slot, cells); });
}

void SetStatusText(ConnectionSlot &slot, std::string_view cp932Text) {
  SetRowText(slot, kColStatus, cp932Text);
}

}  // namespace ruz
