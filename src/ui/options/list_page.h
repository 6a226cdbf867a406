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
  kText,
  kList,    // shown and saved in comma form
  kSecret,  // shown masked
};

struct ListColumn {
  const char16_t *title;
  int width;          // pixels
  const char *key;    // the entry's ini key
  std::size_t limit;  // most CP932 bytes of the cell written on OK
  CellForm form;
};

/// One list: its columns (which are also its dialog's fields, in order), the
/// section prefix ("alias" gives alias0, alias1, …), whether rows move, and the
/// loaded entries as CP932 cells.
struct ListTable {
  ListKind kind;  // also picks the dialog
  const char *name;  // object-name stem: "alias" gives aliasList, aliasAdd, …
  const char *prefix;
  std::vector<ListColumn> columns;
  bool movable;
  std::vector<EntryBlock> (*rows)(const ServerSettings &settings);
};

const ListTable &GetListTable(ListKind kind);

/// The list of one table. Cells keep the CP932 bytes they were loaded with and
/// are re-encoded only when a dialog replaced them. Registers its save step on
/// the page: while the list's listEdited flag is set, OK writes rows 0…n−1 into
/// prefix0…prefixN−1 (only the keys whose text in the file differs, so untouched
/// rows keep their lines byte for byte) and deletes the leftover sections from
/// prefixN on. A double click on a row, or Enter on it, edits it.
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
