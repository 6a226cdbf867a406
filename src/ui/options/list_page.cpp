#include "ui/options/list_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

#include "ui/options/dialog_buttons.h"
#include "ui/options/options_page.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray Bytes(const std::string &text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// A password cell shows the same mark whatever its length; an empty one stays
// empty, so that a missing password can still be seen.
QString Shown(const ListColumn &column, const std::string &cell) {
  if (column.form != CellForm::kSecret) return FromCp932(cell);
  return cell.empty() ? QString() : u"●●●●●●●●"_s;
}

// Qt's scroll areas ask for 256 × 192 pixels whatever they hold; a list asks
// for its columns side by side and a few rows, and scrolls beyond that.
// Enter on a row edits it instead of reaching the sheet's OK.
class ListView : public QTreeWidget {
 public:
  explicit ListView(std::function<void()> editRow) : editRow_(std::move(editRow)) {}

  QSize sizeHint() const override {
    constexpr int kRows = 6;
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < columnCount(); ++c) width += columnWidth(c);
    const int row = std::max(sizeHintForRow(0), fontMetrics().height());
    const int height = 2 * frameWidth() + header()->sizeHint().height() + kRows * row;
    return {width, height};
  }

 protected:
  void keyPressEvent(QKeyEvent *event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && currentItem() != nullptr) {
      editRow_();
      event->accept();
      return;
    }
    QTreeWidget::keyPressEvent(event);
  }

 private:
  std::function<void()> editRow_;
};

// The fewest rows a list keeps when the sheet is small; it scrolls beyond them.
constexpr int kMinimumListRows = 3;

}  // namespace

ListPage::ListPage(OptionsPage &page, ListKind kind)
    : table_(GetListTable(kind)),
      memory_(page.Memory()),
      documentRoot_(FromCp932(page.Settings().root)) {
  view_ = new ListView([this] { EditRow(); });
  view_->setObjectName(KeyName(table_.section.prefix) + u"List"_s);
  view_->setRootIsDecorated(false);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setAllColumnsShowFocus(true);
  view_->setSortingEnabled(false);
  view_->setUniformRowHeights(true);
  view_->setMinimumHeight(view_->fontMetrics().height() * (kMinimumListRows + 1));
  view_->setColumnCount(static_cast<int>(table_.columns.size()));
  connect(view_, &QTreeWidget::itemDoubleClicked, this, [this] { EditRow(); });
  QStringList titles;
  for (const ListColumn &column : table_.columns) titles << QString::fromUtf16(column.title);
  view_->setHeaderLabels(titles);
  for (std::size_t c = 0; c < table_.columns.size(); ++c) {
    view_->setColumnWidth(static_cast<int>(c), table_.columns[c].width);
  }
  for (const EntryBlock &cells : table_.section.rows(page.Settings())) {
    auto *item = new QTreeWidgetItem;
    SetRow(item, cells);
    view_->addTopLevelItem(item);
  }

  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_, 1);
  layout->addWidget(MakeButtons());
  page.AddStep([this](ApplyTarget &target) { Save(target); });
}

QWidget *ListPage::MakeButtons() {
  auto *box = new QWidget;
  auto *column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  const QString stem = KeyName(table_.section.prefix);
  auto add = [&](const QString &label, const QString &name, auto slot) {
    auto *button = new QPushButton(label);
    button->setObjectName(stem + name);
    TakeEnterWhileFocused(button);
    connect(button, &QPushButton::clicked, this, slot);
    column->addWidget(button);
  };
  add(u"追加"_s, u"Add"_s, [this] { AddRow(); });
  add(u"編集"_s, u"Edit"_s, [this] { EditRow(); });
  add(u"削除"_s, u"Delete"_s, [this] { DeleteRow(); });
  if (table_.movable) {
    add(u"↑"_s, u"Up"_s, [this] { MoveRow(-1); });
    add(u"↓"_s, u"Down"_s, [this] { MoveRow(1); });
  }
  column->addStretch();
  return box;
}

EntryBlock ListPage::RowCells(int row) const {
  EntryBlock cells;
  const QTreeWidgetItem *item = view_->topLevelItem(row);
  for (std::size_t c = 0; c < table_.columns.size(); ++c) {
    cells.push_back(item->data(static_cast<int>(c), Qt::UserRole).toByteArray().toStdString());
  }
  return cells;
}

// Cells are kept in comma form, as they are shown and saved.
void ListPage::SetRow(QTreeWidgetItem *item, const EntryBlock &cells) {
  for (std::size_t c = 0; c < table_.columns.size(); ++c) {
    const int column = static_cast<int>(c);
    item->setText(column, Shown(table_.columns[c], cells[c]));
    item->setData(column, Qt::UserRole, Bytes(cells[c]));
  }
}

int ListPage::SelectedRow() const {
  const QList<QTreeWidgetItem *> selected = view_->selectedItems();
  if (selected.isEmpty()) return -1;
  return view_->indexOfTopLevelItem(selected.first());
}

void ListPage::MarkEdited() { memory_.listEdited[table_.kind] = true; }

void ListPage::AddRow() {
  EntryBlock block(table_.columns.size());
  if (RunEntryDialog(this, table_.kind, block, memory_, documentRoot_) != 1) return;
  const int selected = SelectedRow();
  auto *item = new QTreeWidgetItem;
  SetRow(item, block);
  view_->insertTopLevelItem(selected < 0 ? view_->topLevelItemCount() : selected, item);
  MarkEdited();
}

void ListPage::EditRow() {
  const int selected = SelectedRow();
  if (selected < 0) return;
  EntryBlock block = RowCells(selected);
  if (RunEntryDialog(this, table_.kind, block, memory_, documentRoot_) != 1) return;
  SetRow(view_->topLevelItem(selected), block);
  MarkEdited();
}

// Removes at once, without asking. The selection is cleared as well, because Qt
// would otherwise move it to a neighbour that a second Delete would remove.
void ListPage::DeleteRow() {
  const int selected = SelectedRow();
  if (selected < 0) return;
  delete view_->takeTopLevelItem(selected);
  view_->clearSelection();
  view_->setCurrentItem(nullptr);
  MarkEdited();
}

// Swaps the selected row with its neighbour; the flag is set even when nothing moves.
void ListPage::MoveRow(int step) {
  MarkEdited();
  const int selected = SelectedRow();
  const int target = selected + step;
  if (selected < 0 || target < 0 || target >= view_->topLevelItemCount()) return;
  QTreeWidgetItem *item = view_->takeTopLevelItem(selected);
  view_->insertTopLevelItem(target, item);
  view_->setCurrentItem(item);
  item->setSelected(true);
}

void ListPage::Save(ApplyTarget &target) const {
  if (!memory_.listEdited[table_.kind]) return;
  std::vector<ListRow> rows;
  for (int row = 0; row < view_->topLevelItemCount(); ++row) rows.push_back(RowCells(row));
  target.WriteList(table_.section, rows);
}

}  // namespace ruz
