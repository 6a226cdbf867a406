// The status list's rows as a Qt table model, fed in batches from the core's
// status table.
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTimer>

#include <array>

#include "http/status_table.h"

namespace ruz {

/// The rows of a status table, newest at row 0, at most kStatusRowLimit. Lives
/// on the GUI thread; connection threads only mark the table changed, and the
/// model takes every change in one batch at most about 30 times a second, so a
/// burst of requests never floods the event loop.
class StatusModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  /// table must outlive the model.
  explicit StatusModel(StatusTable &table, QObject *parent = nullptr);
  ~StatusModel() override;

  /// Applies every change of the table now.
  void Refresh();

  int RowCount() const { return static_cast<int>(rows_.size()); }
  /// The cell as shown (the path decoded); empty for a cell that does not exist.
  QString Cell(int row, int column) const;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  /// Empties the list; rows written later still appear.
  void Clear();

  /// Column titles, and a typical long content of each column.
  static QString ColumnTitle(int column);
  static QString ColumnSample(int column);

 private:
  using Row = std::array<QString, kStatusColumns>;
  /// What a row shows beyond its texts: the download's progress and its speed.
  struct RowState {
    BodyProgress body;
    bool finished = false;
    qint64 seenAtMs = 0;  // on clock_, when the row first appeared
  };
  void OnTableChanged();
  QString StatusCell(int row) const;
  QVariant Tint(int row) const;
  void AddNewRows(RowId newest);

  StatusTable &table_;
  QList<Row> rows_;  // rows_[0] is the newest row
  QList<RowState> states_;  // beside rows_
  QElapsedTimer clock_;
  RowId newest_ = 0;
  QElapsedTimer sinceRefresh_;
  QTimer refreshTimer_;
};

}  // namespace ruz
