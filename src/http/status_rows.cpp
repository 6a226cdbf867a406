// The cells of a connection's row, written in place in the status table.
#include "http/status_rows.h"

#include "http/connection_slot.h"

namespace ruz {

void ShowConnectionRow(ConnectionSlot &slot, std::string_view itemText,
                       std::initializer_list<RowCell> cells) {
  if (slot.statusTable != nullptr) slot.row = slot.statusTable->AddRow(itemText, cells);
}

void SetRowText(ConnectionSlot &slot, int column, std::string_view cp932Text) {
  SetRowTexts(slot, {{column, cp932Text}});
}

void SetRowTexts(ConnectionSlot &slot, std::initializer_list<RowCell> cells) {
  if (slot.statusTable != nullptr) slot.statusTable->SetCells(slot.row, cells);
}

void SetStatusText(ConnectionSlot &slot, std::string_view cp932Text) {
  SetRowText(slot, kColStatus, cp932Text);
}

void SetProgressText(ConnectionSlot &slot, std::string_view cp932Text, BodyProgress body) {
  if (slot.statusTable != nullptr) slot.statusTable->SetCells(slot.row, {{kColStatus, cp932Text}}, body);
}

void FinishConnectionRow(ConnectionSlot &slot) {
  if (slot.statusTable != nullptr) slot.statusTable->FinishRow(slot.row);
}

}  // namespace ruz
