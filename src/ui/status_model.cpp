// The status list's rows as a Qt table model, fed in batches from the core's
// status table.
#include "ui/status_model.h"

#include "platform/text_codes.h"
#include "platform/url.h"
#include "ui/qt_text.h"

#include <algorithm>

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

struct ColumnSpec {
  QString title;
  QString sample;  // a typical long content, for the column's width
};

const std::array<ColumnSpec, kStatusColumns> &Columns() {
  static const std::array<ColumnSpec, kStatusColumns> columns = {{
      {u"ホスト"_s, u"192.168.100.100"_s},
      {u"開始日時"_s, u"2026/12/09 01:23:45"_s},
      {u"サーバーステータス"_s, u"ファイル送信中... 1234567Bytes"_s},
      {u"メソッド"_s, u"OPTIONS"_s},
      {u"パス"_s, u"/日本語/案内.html?page=12"_s},
      {u"レスポンス"_s, u"501 Not Implemented"_s},
  }};
  return columns;
}

// The request path as the server read it: %XX decoded, then the code guessed
// (UTF-8, EUC-JP, ISO-2022-JP or CP932), as the status cell shows it.
QString DecodedPath(std::string_view raw) {
  return FromCp932(ConvertToCp932Guessing(UrlUnescape(raw)));
}

QString ShownCell(int column, std::string_view cp932) {
  return column == kColPath ? DecodedPath(cp932) : FromCp932(cp932);
}

}  // namespace

// The shortest time between two batches of changes (about 30 a second).
constexpr int kRefreshIntervalMs = 33;

StatusModel::StatusModel(StatusTable &table, QObject *parent)
    : QAbstractTableModel(parent), table_(table) {
  refreshTimer_.setSingleShot(true);
  connect(&refreshTimer_, &QTimer::timeout, this, &StatusModel::Refresh);
  sinceRefresh_.start();
  // Called on a connection thread at the first change after a batch.
  table_.SetChangeCallback([this] {
    QMetaObject::invokeMethod(this, &StatusModel::OnTableChanged, Qt::QueuedConnection);
  });
}

StatusModel::~StatusModel() { table_.SetChangeCallback(nullptr); }

QString StatusModel::ColumnTitle(int column) { return Columns().at(column).title; }
QString StatusModel::ColumnSample(int column) { return Columns().at(column).sample; }

void StatusModel::OnTableChanged() {
  const qint64 waited = sinceRefresh_.elapsed();
  if (waited >= kRefreshIntervalMs) {
    Refresh();
  } else if (!refreshTimer_.isActive()) {
    refreshTimer_.start(static_cast<int>(kRefreshIntervalMs - waited));
  }
}

void StatusModel::AddNewRows(RowId newest) {
  if (newest <= newest_) return;
  const int added = static_cast<int>(std::min<RowId>(newest - newest_, kStatusRowLimit));
  beginInsertRows(QModelIndex(), 0, added - 1);
  for (int i = 0; i < added; ++i) rows_.prepend(Row{});
  endInsertRows();
  newest_ = newest;
  if (rows_.size() > kStatusRowLimit) {
    beginRemoveRows(QModelIndex(), kStatusRowLimit, static_cast<int>(rows_.size()) - 1);
    rows_.resize(kStatusRowLimit);
    endRemoveRows();
  }
}

void StatusModel::Refresh() {
  refreshTimer_.stop();
  sinceRefresh_.restart();
  const StatusChanges changes = table_.TakeChanges();
  AddNewRows(changes.newest);
  int top = RowCount();
  int bottom = -1;
  for (const StatusRow &row : changes.rows) {
    const RowId age = newest_ - row.id;
    if (age >= static_cast<RowId>(RowCount())) continue;
    const int index = static_cast<int>(age);
    for (int column = 0; column < kStatusColumns; ++column)
      rows_[index][column] = ShownCell(column, row.cells[static_cast<std::size_t>(column)]);
    top = std::min(top, index);
    bottom = std::max(bottom, index);
  }
  if (bottom >= 0) {
    Q_EMIT dataChanged(index(top, 0), index(bottom, kStatusColumns - 1), {Qt::DisplayRole});
  }
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
