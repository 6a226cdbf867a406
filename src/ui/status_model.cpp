#include "ui/status_model.h"

#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

struct ColumnSpec {
  QString title;
  int width;
};

const std::array<ColumnSpec, kStatusColumns> &Columns() {
  static const std::array<ColumnSpec, kStatusColumns> columns = {{
      {u"ホスト"_s, 100},
      {u"開始日時"_s, 125},
      {u"サーバーステータス"_s, 200},
      {u"メソッド"_s, 50},
      {u"パス"_s, 250},
      {u"レスポンス"_s, 125},
  }};
  return columns;
}

}  // namespace

StatusModel::StatusModel(QObject *parent) : QAbstractTableModel(parent) {}

QString StatusModel::ColumnTitle(int column) { return Columns().at(column).title; }
int StatusModel::ColumnWidth(int column) { return Columns().at(column).width; }

void StatusModel::InsertTopRow(std::string_view itemText) {
  beginInsertRows(QModelIndex(), 0, 0);
  Row row;
  row[kColHost] = FromCp932(itemText);
  rows_.prepend(std::move(row));
  endInsertRows();
  if (rows_.size() > kStatusRowLimit) {
    beginRemoveRows(QModelIndex(), kStatusRowLimit, static_cast<int>(rows_.size()) - 1);
    rows_.resize(kStatusRowLimit);
    endRemoveRows();
  }
}

void StatusModel::SetCellText(int row, int column, std::string_view text) {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kStatusColumns) return;
  rows_[row][column] = FromCp932(text);
  const QModelIndex cell = index(row, column);
  Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

QString StatusModel::Cell(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kStatusColumns) return {};
  return rows_[row][column];
}

int StatusModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int StatusModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : kStatusColumns;
}

QVariant StatusModel::data(const QModelIndex &index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return Cell(index.row(), index.column());
}

QVariant StatusModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= kStatusColumns) return {};
  return ColumnTitle(section);
}

}  // namespace ruz
