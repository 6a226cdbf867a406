// The status list: one row per connection, newest at the top, at most 500 rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ruz {

inline constexpr int kStatusColumns = 6;
inline constexpr int kStatusRowLimit = 500;

// Column numbers (from 0).
enum StatusColumn { kColHost = 0, kColStart = 1, kColStatus = 2, kColMethod = 3, kColPath = 4, kColResponse = 5 };

/// What the core writes through. Every call happens on the owner thread.
/// Texts are CP932.
class StatusView {
 public:
  virtual ~StatusView() = default;
  /// Inserts a row at index 0 with the item text (column 0) and deletes the row
  /// at index kStatusRowLimit if it then exists.
  virtual void InsertTopRow(std::string_view itemText) = 0;
  virtual void SetCellText(int row, int column, std::string_view text) = 0;
  virtual int RowCount() const = 0;
  /// The connection of row has ended: its response cell is set and its log
  /// line written. row may be past the last row when it has fallen off.
  virtual void RowFinished(int /*row*/) {}
};

/// The in-memory status list of the headless front end and the tests.
class MemoryStatusView : public StatusView {
 public:
  void InsertTopRow(std::string_view itemText) override;
  void SetCellText(int row, int column, std::string_view text) override;
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  /// Cell text; "" for a row or column that does not exist.
  std::string CellText(int row, int column) const;

 private:
  std::vector<std::vector<std::string>> rows_;  // rows_[0] is the top row
};

}  // namespace ruz
