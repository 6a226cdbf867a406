// The main window's commands: one function per menu id, reached from a table.
#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "ui/external_open.h"
#include "ui/main_window.h"
#include "ui/menus.h"
#include "ui/options/dialog_buttons.h"
#include "ui/options/path_pickers.h"
#include "ui/message_boxes.h"
#include "ui/qt_setup.h"
#include "ui/qt_text.h"
#include "ui/settings_transfer.h"
#include "ui/translucency.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

using Handler = void (MainWindow::*)();

// "*.*" would hide names without a dot on Linux: Qt takes the last group's
// patterns and, with HideNameFilterDetails, shows "すべてのファイル (*.*)".
const QString &IniFilter() {
  static const QString filter = u"INIファイル (*.ini);;すべてのファイル (*.*) (*)"_s;
  return filter;
}

// Where the help and readme files are looked for, in this order: beside the
// executable (a build or portable folder), the program folder, and the
// installed data folder.
std::vector<std::string> HelpFolders() {
  return {ExecutableDirectory(), ProgramDirectory(), InstalledDataDirectory()};
}

// The title bar's icon, buttons and padding, measured in lines of its font.
constexpr int kTitleBarRoomInLines = 8;

// QMessageBox sizes itself to its layout's minimum width; spacers in a row of
// their own raise that minimum: under the notice the width of its longest line
// unwrapped, across every column the title's in full with room for the title
// bar's buttons.
void FitAboutBoxToItsText(QMessageBox &box) {
  auto *grid = qobject_cast<QGridLayout *>(box.layout());
  auto *notice = box.findChild<QLabel *>(u"qt_msgbox_informativelabel"_s);
  if (grid == nullptr || notice == nullptr) return;
  int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
  grid->getItemPosition(grid->indexOf(notice), &row, &column, &rowSpan, &columnSpan);
  const QFontMetrics text(notice->font());
  int noticeWidth = 0;
  for (const QString &line : box.informativeText().split(u'\n')) {
    noticeWidth = std::max(noticeWidth, text.horizontalAdvance(line));
  }
  noticeWidth += 2 * text.averageCharWidth();
  const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
  const int titleWidth =
      title.horizontalAdvance(box.windowTitle()) + kTitleBarRoomInLines * title.height();
  const int spacerRow = grid->rowCount();
  grid->addItem(new QSpacerItem(noticeWidth, 0, QSizePolicy::Fixed), spacerRow, column, 1, columnSpan);
  grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Fixed), spacerRow + 1, 0, 1,
                grid->columnCount());
}

}  // namespace

void MainWindow::OnCommand(int id) {
  static const std::pair<int, Handler> kCommands[] = {
      {kCmdOpenLog, &MainWindow::OpenLog},         {kCmdQuit, &MainWindow::Quit},
      {kCmdHide, &MainWindow::HideWindow},         {kCmdTranslucent, &MainWindow::ToggleTranslucent},
      {kCmdOptions, &MainWindow::RunOptions},      {kCmdImport, &MainWindow::Import},
      {kCmdExport, &MainWindow::Export},           {kCmdHelp, &MainWindow::OpenHelp},
      {kCmdReadme, &MainWindow::OpenReadme},       {kCmdWebSite, &MainWindow::OpenWebSite},
      {kCmdAutoUpdate, &MainWindow::ToggleAutoUpdate}, {kCmdAbout, &MainWindow::ShowAbout},
      {kCmdShowWindow, &MainWindow::ShowWindow},
      {kCmdTrafficPanel, &MainWindow::ToggleTrafficPanel}, {kCmdShowAllRows, &MainWindow::ShowAllRows},
      {kCmdShowErrorRows, &MainWindow::ShowErrorRows}, {kCmdClearList, &MainWindow::ClearList},
  };
  if (busy_ || closed_) return;
  for (const auto &[commandId, handler] : kCommands) {
    if (commandId == id) {
      (this->*handler)();
      return;
    }
  }
}

void MainWindow::OpenLog() { ShowLogViewer(); }

// A missing file, or no program to open it with, is said in a warning box.
void MainWindow::OpenFile(const std::string &cp932Path) {
  const QString path = FromCp932(cp932Path);
  if (!IsExistingFile(GetFileInfo(cp932Path))) {
    ShowWarning(this, u"\"%1\" が見つかりません"_s.arg(path));
  } else {
    opener_->Open(QUrl::fromLocalFile(path), path);
  }
}

void MainWindow::OpenInstalledFile(const char *name) {
  const std::vector<std::string> folders = HelpFolders();
  const std::string path = FindFileInFolders(name, folders);
  if (!path.empty()) {
    OpenFile(path);
    return;
  }
  QString text = u"%1 が見つかりません。探した場所:"_s.arg(QString::fromLatin1(name));
  for (const std::string &folder : folders) text += u"\n"_s + FromCp932(folder);
  ShowWarning(this, text);
}

void MainWindow::Quit() {
  AskBeforeStopping(u"終了"_s, [this] { close(); });
}

void MainWindow::HideWindow() {
  if (QSystemTrayIcon::isSystemTrayAvailable())
    HideToTray();
  else
    showMinimized();
}

void MainWindow::ToggleTranslucent() {
  QAction *item = MenuAction(kCmdTranslucent);
  if (translucent_) {
    setWindowOpacity(1.0);
    translucent_ = false;
    item->setChecked(false);
    return;
  }
  if (!TranslucencyPossible()) {
    ShowWarning(this, u"ウインドウの半透明化に失敗しました"_s);
    return;
  }
  setWindowOpacity(kTranslucentAlpha / 255.0);
  translucent_ = true;
  item->setChecked(true);
}

void MainWindow::RunOptions() {
  const int changed = RunOptionsSheet(this, settings_, optionsMemory_);
  if (changed == 1) RestartAsked();
}

void MainWindow::Import() {
  const QString name = PickPath(
      this, {u"インポートする設定ファイルを選択"_s, ProgramFolder(), lastFileName_, IniFilter()});
  if (name.isEmpty() || closed_) return;
  lastFileName_ = name;
  const bool hadIni = GetFileInfo(IniPath()).exists;
  const ImportResult result = ImportSettingsFile(ToCp932(name), IniPath());
  if (result != ImportResult::kImported) {
    ShowWarning(this, ImportFailureText(result, name));
    return;
  }
  QString done = u"\"%1\" からインポートしました"_s.arg(name);
  if (hadIni) done += u"\n以前の設定は ruz.ini.bak に保存しました"_s;
  RestartAsked([this, done] { ShowConfirmation(this, done); });
}

void MainWindow::Export() {
  const QString suggestion =
      ExportSuggestion(lastFileName_.isEmpty() ? ProgramFolder() + u"/ruz.ini"_s : lastFileName_);
  const QString chosen = PickPath(this, {u"エクスポート先の設定ファイル名"_s, suggestion, QString(),
                                         IniFilter(), PickWhat::kSaveFile});
  if (chosen.isEmpty() || closed_) return;
  const QString name = ExportFileName(chosen);
  lastFileName_ = name;
  // Asked here rather than by the file dialog, which never saw the added ".ini".
  if (QFileInfo::exists(name) &&
      !AskYesNo(this, u"\"%1\" は既に存在します。\n上書きしますか？"_s.arg(name), DefaultAnswer::kNo)) {
    return;
  }
  if (closed_) return;
  if (!CopySettingsFile(IniPath(), ToCp932(name))) {
    ShowWarning(this, u"\"%1\" へのエクスポートに失敗しました"_s.arg(name));
    return;
  }
  ShowConfirmation(this, u"\"%1\" へエクスポートしました"_s.arg(name));
}

void MainWindow::OpenHelp() { OpenInstalledFile("ruz.html"); }

void MainWindow::OpenReadme() { OpenInstalledFile("readme.txt"); }

void MainWindow::OpenWebSite() {
  const QUrl url(QString::fromUtf8(RUZ_WEB_URL));
  opener_->Open(url, url.toString());
}

void MainWindow::ShowAbout() {
  QMessageBox box(this);
  UseFixedDialogFrame(box);
  box.setIconPixmap(RuzIcon().pixmap(48, 48));
  box.setWindowTitle(u"Ruzo'sWebserver のバージョン情報"_s);
  box.setText(u"Ruzo'sWebserver Ver1.0"_s);
  box.setInformativeText(u"HTTP/1.1 で動く、小さな個人用ウェブサーバーです。\n"
                         u"MIT ライセンスのもとで配布しています。"_s);
  FitAboutBoxToItsText(box);
  box.exec();
}

void MainWindow::ShowWindow() {
  // A window manager may place a window anew when it is mapped again.
  const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
  if (!isVisible() && normal && !placement_.isEmpty()) {
    move(placement_.topLeft());
    resize(placement_.size());
  }
  const bool place = !isVisible() && normal && !placement_.isEmpty();
  // Not showNormal(), which would also undo a maximised state.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  // A window manager may also place the window when it maps it: once more after.
  if (place) move(placement_.topLeft());
  raise();
  activateWindow();
}

}  // namespace ruz
