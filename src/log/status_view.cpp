#include "log/status_view.h"

namespace ruz {

void MemoryStatusView::InsertTopRow(std::string_view itemText) {
  std::vector<std::string> row(kStatusColumns);
  row[kColHost] = itemText;
  rows_.insert(rows_.begin(), std::move(row));
  if (static_cast<int>(rows_.size()) > kStatusRowLimit) rows_.resize(kStatusRowLimit);
}

void MemoryStatusView::SetCellText(int row, int column, std::string_view text) {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kStatusColumns) return;
  rows_[row][column] = text;
}

std::string MemoryStatusView::CellText(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kStatusColumns) return {};
  return rows_[row][column];
}

}  // namespace ruz
