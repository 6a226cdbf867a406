// The status list's rows as a Qt table model, fed in batches from the core's
// status table.
#include "ui/status_model.h"

#include "common/transfer_progress.h"
#include "platform/text_codes.h"
#include "platform/url.h"
#include "ui/qt_text.h"

#include <QColor>

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

// The file body's progress texts, which a download in progress replaces by
// sizes and speed.
bool IsProgressText(const QString &status) { return status.startsWith(u"ファイル送信中"_s); }

// Light tints that keep the text readable on light and dark bases alike.
constexpr int kTintAlpha = 56;
const QColor kClientErrorTint(255, 170, 0, kTintAlpha);
const QColor kServerErrorTint(230, 30, 30, kTintAlpha);

}  // namespace

// The shortest time between two batches of changes (about 30 a second).
constexpr int kRefreshIntervalMs = 33;

StatusModel::StatusModel(StatusTable &table, QObject *parent)
    : QAbstractTableModel(parent), table_(table) {
  refreshTimer_.setSingleShot(true);
  connect(&refreshTimer_, &QTimer::timeout, this, &StatusModel::Refresh);
  sinceRefresh_.start();
  clock_.start();
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
  for (int i = 0; i < added; ++i) {
    rows_.prepend(Row{});
    states_.prepend(RowState{{}, false, clock_.elapsed()});
  }
  endInsertRows();
  newest_ = newest;
  if (rows_.size() > kStatusRowLimit) {
    beginRemoveRows(QModelIndex(), kStatusRowLimit, static_cast<int>(rows_.size()) - 1);
    rows_.resize(kStatusRowLimit);
    states_.resize(kStatusRowLimit);
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
    states_[index].body = row.body;
    states_[index].finished = row.finished;
    top = std::min(top, index);
    bottom = std::max(bottom, index);
  }
  if (bottom >= 0) {
    Q_EMIT dataChanged(index(top, 0), index(bottom, kStatusColumns - 1),
                       {Qt::DisplayRole, Qt::BackgroundRole});
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

void StatusModel::Clear() {
  beginResetModel();
  rows_.clear();
  states_.clear();
  endResetModel();
}

// A download in progress shows sizes, percentage and speed in place of the
// byte count; the row's texts stay as written (the headless rows print them).
QString StatusModel::StatusCell(int row) const {
  const QString text = Cell(row, kColStatus);
  const RowState &state = states_[row];
  if (state.finished || state.body.size == 0 || !IsProgressText(text)) return text;
  const qint64 elapsed = std::max<qint64>(0, clock_.elapsed() - state.seenAtMs);
  return QString::fromStdString(FormatTransferProgress(
      state.body.sent, state.body.size, static_cast<std::uint64_t>(elapsed)));
}

// 4xx rows amber, 5xx rows red, by the response cell's code.
QVariant StatusModel::Tint(int row) const {
  const QString response = Cell(row, kColResponse);
  if (response.startsWith(u'4')) return kClientErrorTint;
  if (response.startsWith(u'5')) return kServerErrorTint;
  return {};
}

QVariant StatusModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= RowCount()) return {};
  if (role == Qt::BackgroundRole) return Tint(index.row());
  if (role != Qt::DisplayRole) return {};
  if (index.column() == kColStatus) return StatusCell(index.row());
  return Cell(index.row(), index.column());
}

QVariant StatusModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= kStatusColumns) return {};
  return ColumnTitle(section);
}

}  // namespace ruz
