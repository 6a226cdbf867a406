// The status list's rows as a Qt table model: the window's StatusView.
#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <array>

#include "log/status_view.h"

namespace ruz {

/// Rows of six cells, newest at row 0, at most kStatusRowLimit rows. Used only
/// on the GUI thread (the core reaches it through the owner loop).
class StatusModel : public QAbstractTableModel, public StatusView {
  Q_OBJECT

 public:
  explicit StatusModel(QObject *parent = nullptr);

  // StatusView: texts are CP932; undecodable bytes show as U+FFFD.
  void InsertTopRow(std::string_view itemText) override;
  void SetCellText(int row, int column, std::string_view text) override;
  int RowCount() const override { return static_cast<int>(rows_.size()); }

  /// The cell as shown; empty for a cell that does not exist.
  QString Cell(int row, int column) const;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  /// Column titles and widths in pixels.
  static QString ColumnTitle(int column);
  static int ColumnWidth(int column);

 private:
  using Row = std::array<QString, kStatusColumns>;
  QList<Row> rows_;  // rows_[0] is the top row
};

}  // namespace ruz
