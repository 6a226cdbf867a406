// The main window's commands: one function per menu id, reached from a table.
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include <utility>

#include "config/settings.h"
#include "ui/main_window.h"
#include "ui/menus.h"
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

void OpenLocalFile(std::string_view cp932Path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(FromCp932(cp932Path)));
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
  };
  if (busy_ || closed_) return;
  for (const auto &[commandId, handler] : kCommands) {
    if (commandId == id) {
      (this->*handler)();
      return;
    }
  }
}

void MainWindow::OpenLog() { OpenLocalFile(ExeRelativePath(settings_.logname)); }

void MainWindow::Quit() { close(); }

void MainWindow::HideWindow() {
  if (QSystemTrayIcon::isSystemTrayAvailable())
    hide();
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
  if (changed == 1) Restart();
}

void MainWindow::Import() {
  const QString name = QFileDialog::getOpenFileName(this, u"開く"_s, lastFileName_, IniFilter(),
                                                    nullptr, QFileDialog::HideNameFilterDetails);
  if (name.isEmpty() || closed_) return;
  lastFileName_ = name;
  const ImportResult result = ImportSettingsFile(ToCp932(name), IniPath());
  if (result != ImportResult::kImported) {
    ShowWarning(this, ImportFailureText(result, name));
    return;
  }
  Restart([this, name] { ShowConfirmation(this, u"\"%1\" からインポートしました"_s.arg(name)); });
}

void MainWindow::Export() {
  const QString chosen = QFileDialog::getSaveFileName(
      this, u"名前を付けて保存"_s, ExportSuggestion(lastFileName_), IniFilter(), nullptr,
      QFileDialog::HideNameFilterDetails | QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty() || closed_) return;
  const QString name = ExportFileName(chosen);
  lastFileName_ = name;
  // Asked here rather than by the file dialog, which never saw the added ".ini".
  if (QFileInfo::exists(name) &&
      !AskYesNo(this, u"\"%1\" は既に存在します。\n上書きしますか?"_s.arg(name))) {
    return;
  }
  if (closed_) return;
  if (!CopySettingsFile(IniPath(), ToCp932(name))) {
    ShowWarning(this, u"\"%1\" へのエクスポートに失敗しました"_s.arg(name));
    return;
  }
  ShowConfirmation(this, u"\"%1\" へエクスポートしました"_s.arg(name));
}

void MainWindow::OpenHelp() { OpenLocalFile(ExeRelativePath("ruz.html")); }

void MainWindow::OpenReadme() { OpenLocalFile(ExeRelativePath("readme.txt")); }

void MainWindow::OpenWebSite() { QDesktopServices::openUrl(QUrl(QString::fromUtf8(RUZ_WEB_URL))); }

void MainWindow::ShowAbout() {
  QMessageBox box(this);
  box.setIconPixmap(RuzIcon().pixmap(48, 48));
  box.setWindowTitle(u"Ruzo'sWebserver のバージョン情報"_s);
  box.setText(u"Ruzo'sWebserver Ver1.0"_s);
  box.setInformativeText(u"HTTP/1.1 で動く、小さな個人用ウェブサーバーです。"_s);
  box.exec();
}

void MainWindow::ShowWindow() {
  // Not showNormal(), which would also undo a maximised state.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

}  // namespace ruz
