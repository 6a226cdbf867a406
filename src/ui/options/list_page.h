// The list view of one numbered-section table, with its add/edit/delete/move buttons.
#pragma once

#include <QWidget>

#include <cstddef>
#include <string>
#include <vector>

#include "ui/options/entry_dialog.h"
#include "ui/options/options_sheet.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace ruz {

class OptionsPage;
struct ApplyTarget;

/// How a cell shows its text.
enum class CellForm {
  kText,    // as the file holds it (a list in comma form)
  kSecret,  // shown masked
};

struct ListColumn {
  const char16_t *title;
  int width;  // pixels
  CellForm form;
};

/// One list: its section (whose keys are the columns and the dialog's fields,
/// in order; its prefix names the sections prefix0, prefix1, … and is the
/// object-name stem of the view prefixList and the buttons prefixAdd, …), the
/// columns' looks, and whether rows move.
struct ListTable {
  ListKind kind;  // also picks the dialog
  const ListSection &section;
  std::vector<ListColumn> columns;
  bool movable;
};

const ListTable &GetListTable(ListKind kind);

/// The list of one table. Cells keep the CP932 bytes they were loaded with and
/// are re-encoded only when a dialog replaced them. Registers its save step on
/// the page: while the list's listEdited flag is set, OK writes the rows with
/// WriteListSection. A double click on a row, or Enter on it, edits it.
class ListPage : public QWidget {
  Q_OBJECT

 public:
  ListPage(OptionsPage &page, ListKind kind);

  QTreeWidget *View() const { return view_; }
  /// The row's CP932 cells.
  EntryBlock RowCells(int row) const;

 private:
  QWidget *MakeButtons();
  int SelectedRow() const;
  void SetRow(QTreeWidgetItem *item, const EntryBlock &cells);
  void MarkEdited();
  void AddRow();
  void EditRow();
  void DeleteRow();
  void MoveRow(int step);
  void Save(ApplyTarget &target) const;

  const ListTable &table_;
  OptionsMemory &memory_;
  QString documentRoot_;  // where the error-page picker starts
  QTreeWidget *view_ = nullptr;
};

}  // namespace ruz
