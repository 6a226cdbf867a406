#include "ui/status_view.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

#include "ui/status_model.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

// Room around a cell's text: the item's margins and the header's sort space.
int CellPadding(const QTreeView &view) {
  const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view);
  return 2 * (margin + 1) + view.fontMetrics().averageCharWidth() * 2;
}

int TypicalWidth(const QTreeView &view, int column) {
  const int content = view.fontMetrics().horizontalAdvance(StatusModel::ColumnSample(column));
  const int title = view.header()->fontMetrics().horizontalAdvance(StatusModel::ColumnTitle(column));
  return std::max(content, title) + CellPadding(view);
}

void CopyText(const QString &text) { QApplication::clipboard()->setText(text); }

void ShowCopyMenu(QTreeView &view, const QPoint &at) {
  const QModelIndex index = view.indexAt(at);
  if (!index.isValid()) return;
  auto *menu = new QMenu(&view);
  menu->setObjectName(u"statusCopyMenu"_s);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const QString cell = index.data().toString();
  const QString row = StatusRowText(*view.model(), index.row());
  menu->addAction(u"セルをコピー(&C)"_s, menu, [cell] { CopyText(cell); })
      ->setObjectName(u"copyCell"_s);
  menu->addAction(u"行をコピー(&R)"_s, menu, [row] { CopyText(row); })
      ->setObjectName(u"copyRow"_s);
  menu->popup(view.viewport()->mapToGlobal(at));
}

}  // namespace

void SetUpStatusView(QTreeView &view) {
  view.setRootIsDecorated(false);
  view.setUniformRowHeights(true);
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  view.setSortingEnabled(false);
  QHeaderView &header = *view.header();
  header.setSectionsClickable(false);
  header.setStretchLastSection(false);
  for (int column = 0; column < kStatusColumns; ++column)
    view.setColumnWidth(column, TypicalWidth(view, column));
  header.setSectionResizeMode(kColPath, QHeaderView::Stretch);
  view.setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(&view, &QWidget::customContextMenuRequested, &view,
                   [&view](const QPoint &at) { ShowCopyMenu(view, at); });
}

int StatusViewWidth(const QTreeView &view) {
  int width = 2 * view.frameWidth() + view.verticalScrollBar()->sizeHint().width();
  for (int column = 0; column < kStatusColumns; ++column) width += TypicalWidth(view, column);
  return width;
}

QString StatusRowText(const QAbstractItemModel &model, int row) {
  QStringList cells;
  for (int column = 0; column < model.columnCount(); ++column)
    cells << model.index(row, column).data().toString();
  return cells.join(u'\t');
}

}  // namespace ruz
