// The modal ten-page options sheet that edits ruz.ini.
#pragma once

#include <QDialog>
#include <QString>

#include <array>

#include "config/settings.h"

class QTabWidget;

namespace ruz {

class OptionsPage;

/// One run of the sheet: the loaded settings (never modified) and whether any
/// key was written.
struct OptionsContext {
  const ServerSettings &settings;
  int changed = 0;
};

/// The seven list pages, in tab order; indexes OptionsMemory::listEdited.
enum ListKind { kCgiList, kAliasList, kDenyList, kErrorPageList, kMimeList, kUserList, kAuthList };
inline constexpr int kListKindCount = 7;

/// What outlives a run of the sheet, owned by the caller for the life of the
/// process: once a list has been edited it is saved by every later OK of a run
/// that shows its page; each file picker opens with the file chosen last.
struct OptionsMemory {
  bool listEdited[kListKindCount] = {};
  QString cgiPickerPath;
  QString errorPagePickerPath;
  QString folderPickerPath;   // alias local paths and the document root
  QString logPickerPath;
  int lastPage = 0;           // the sheet reopens at the page shown last
};

/// Runs the sheet modally over owner. Returns 1 when OK wrote at least one key
/// of ruz.ini, else 0 (OK without changes, Cancel, Esc, close box, and a run
/// whose writes failed, which the sheet has warned of).
int RunOptionsSheet(QWidget *owner, const ServerSettings &settings, OptionsMemory &memory);

inline constexpr int kOptionsPageCount = 10;

/// The sheet itself. Every page is built at once, so that the sheet opens at a
/// size that holds the largest one as far as the screen allows (pages scroll
/// beyond that); it opens at the page shown last. OK makes only the pages that
/// were shown write what differs, in tab order; a failed write is warned of and
/// keeps the sheet open.
class OptionsSheet : public QDialog {
  Q_OBJECT

 public:
  OptionsSheet(QWidget *owner, OptionsContext &context, OptionsMemory &memory);

  QTabWidget *Tabs() const { return tabs_; }
  OptionsPage *Page(int index) const { return pages_[index]; }
  /// True once the page of tab index has been shown in this run.
  bool WasShown(int index) const { return shown_[index]; }

  void accept() override;

 private:
  void MarkShown(int index);
  QSize OpeningSize() const;

  OptionsContext &context_;
  OptionsMemory &memory_;
  QTabWidget *tabs_ = nullptr;
  std::array<OptionsPage *, kOptionsPageCount> pages_{};
  std::array<bool, kOptionsPageCount> shown_{};
};

}  // namespace ruz
