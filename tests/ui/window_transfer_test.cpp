// Import and export of ruz.ini through the file dialogs, and their failures.
#include "window_support.h"

#include <QDir>
#include <QFileDialog>
#include <QTest>

#include <fstream>
#include <iterator>

#include "platform/text_codes.h"
#include "ui/fact_band.h"
#include "ui/menus.h"
#include "ui/settings_transfer.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

class WindowTransferTest : public WindowTest {
 protected:
  QString Path(const std::string &relative) const {
    return dir_.path() + u"/"_s + QString::fromStdString(relative);
  }
  /// Where the update check would go: a closed port here, never another host.
  std::string NoUpdateHost() const { return "updatehost=127.0.0.1:" + std::to_string(FreePort()) + "\n"; }
};

TEST(CopySettingsFileTest, CopiesWholeFilesAndFailsWithoutTouchingTheTarget) {
  QTemporaryDir dir;
  const std::string base = dir.path().toStdString();
  const std::string source = base + "/a.ini", target = base + "/b.ini";
  std::ofstream(source, std::ios::binary) << "[RUZ]\r\nport=1\r\n";
  std::ofstream(target, std::ios::binary) << "old";
  ASSERT_TRUE(CopySettingsFile(source, target));
  std::ifstream copied(target, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copied), {}), "[RUZ]\r\nport=1\r\n");

  const std::pair<std::string, std::string> failures[] = {
      {base + "/missing.ini", target},           // nothing to read
      {base, target},                            // a directory is no file
      {source, base + "/no/such/dir/c.ini"},     // nowhere to write
  };
  for (const auto &[from, to] : failures) EXPECT_FALSE(CopySettingsFile(from, to)) << from << " " << to;
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary left behind
}

TEST(ImportSettingsFileTest, TakesOnlySettingsFilesAndKeepsTheReplacedOne) {
  struct Case {
    const char *source;  // nullptr: no such file
    bool iniExists;
    ImportResult result;
  };
  const Case cases[] = {
      {"[ruz]\r\nport=81\r\n", true, ImportResult::kImported},  // names ignore case
      {"[RUZ]\nport=81\n", false, ImportResult::kImported},        // nothing to keep
      {"Readme\r\nport=81\r\n", true, ImportResult::kNotSettings},
      {"[RUZ]\r\n; no key\r\n[cgi0]\r\nextension=.pl\r\n", true, ImportResult::kNotSettings},
      {nullptr, true, ImportResult::kUnreadable},
  };
  for (const Case &c : cases) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string ini = base + "/ruz.ini", backup = ini + ".bak", source = base + "/in.ini";
    const std::string old = "[RUZ]\r\nport=80\r\n";
    if (c.iniExists) std::ofstream(ini, std::ios::binary) << old;
    if (c.source) std::ofstream(source, std::ios::binary) << c.source;
    EXPECT_EQ(ImportSettingsFile(source, ini), c.result) << (c.source ? c.source : "(none)");
    const bool imported = c.result == ImportResult::kImported;
    const std::string expected = imported ? c.source : (c.iniExists ? old : "");
    std::ifstream now(ini, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(now), {}), expected);
    std::ifstream kept(backup, std::ios::binary);
    EXPECT_EQ(kept.is_open(), imported && c.iniExists);
    if (kept) {
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), old);
    }
  }
}

TEST(ExportFileNameTest, AddsIniOnlyToANameWithoutAnExtension) {
  const std::pair<QString, QString> cases[] = {
      {u"/d/settings"_s, u"/d/settings.ini"_s}, {u"/d/settings.ini"_s, u"/d/settings.ini"_s},
      {u"/d/settings.txt"_s, u"/d/settings.txt"_s}, {u"/d.x/settings"_s, u"/d.x/settings.ini"_s},
  };
  for (const auto &[chosen, written] : cases) EXPECT_EQ(ExportFileName(chosen), written);
  EXPECT_EQ(ExportSuggestion(QString()), u"ruz.ini"_s);
  EXPECT_EQ(ExportSuggestion(u"/d/old.ini"_s), u"/d/ruz.ini"_s);
}

TEST_F(WindowTransferTest, ImportRestartsWithTheImportedSettings) {
  const int oldPort = FreePort();
  WriteIni(BasicIni(oldPort, NoUpdateHost()));
  const std::string replaced = ReadFile("ruz.ini");
  MainWindow &window = Open();
  EXPECT_FALSE(window.UpdateTimer().isActive());
  const int newPort = FreePort();
  WriteFile("other/import.ini",
            Utf8ToCp932("[RUZ]\nsrvname=インポート先\nport=" + std::to_string(newPort) +
                        "\nroot=site\nmaxconnect=8\nautoupdatecheck=1\n" + NoUpdateHost()));
  WriteFile("site/index.html", "imported site");
  auto dialog = AnswerNextFileDialog(Path("other/import.ini"));
  auto done = AnswerNextBox();
  window.OnCommand(kCmdImport);
  ASSERT_TRUE(dialog->seen);
  EXPECT_EQ(dialog->title, u"インポートする設定ファイルを選択"_s);
  EXPECT_EQ(dialog->filters,
            (QStringList{u"INIファイル (*.ini)"_s, u"すべてのファイル (*.*) (*)"_s}));
  ASSERT_TRUE(WaitFor([&] { return done->seen; }));
  EXPECT_EQ(done->title, u"Ruzo'sWebserver"_s);
  EXPECT_EQ(done->text, u"\"%1\" からインポートしました\n以前の設定は ruz.ini.bak に保存しました"_s.arg(
                            Path("other/import.ini")));
  EXPECT_EQ(ReadFile("ruz.ini.bak"), replaced);
  EXPECT_EQ(window.Band().Lines(),
            (QStringList{u"サーバーネーム: インポート先"_s, u"ポート番号: %1"_s.arg(newPort),
                         u"ドキュメントルート: "_s + dir_.path() + u"/site"_s}));
  // The reloaded flag drives the schedule and the check mark; no check runs now.
  EXPECT_TRUE(window.UpdateTimer().isActive());
  EXPECT_TRUE(window.MenuAction(kCmdAutoUpdate)->isChecked());
  EXPECT_FALSE(window.Checker().IsRunning());
  Fetch served(newPort, "/index.html");
  ASSERT_TRUE(WaitFor([&] { return served.Done(); }));
  EXPECT_NE(served.Reply().find("imported site"), std::string::npos);
  Fetch old(oldPort, "/index.html");
  ASSERT_TRUE(WaitFor([&] { return old.Done(); }));
  EXPECT_TRUE(old.Reply().empty());

  // Importing the first settings back clears the schedule and the mark again,
  // and the dialog opens with the name chosen last.
  WriteFile("other/back.ini", BasicIni(oldPort, NoUpdateHost()));
  auto again = AnswerNextFileDialog(Path("other/back.ini"));
  auto doneAgain = AnswerNextBox();
  window.OnCommand(kCmdImport);
  EXPECT_TRUE(again->preselected.contains(Path("other/import.ini")));
  ASSERT_TRUE(WaitFor([&] { return doneAgain->seen; }));
  EXPECT_FALSE(window.UpdateTimer().isActive());
  EXPECT_FALSE(window.MenuAction(kCmdAutoUpdate)->isChecked());
}

TEST_F(WindowTransferTest, ExportCopiesTheIniAndLeavesTheServerAlone) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  MainWindow &window = Open();
  // Changed on disk behind the server's back: a restart would show the new name.
  WriteIni(BasicIni(port) + "srvname=changed\n");
  const std::string onDisk = ReadFile("ruz.ini");
  WriteFile("out/keep.txt", "");
  auto dialog = AnswerNextFileDialog(Path("out/exported"));
  auto done = AnswerNextBox();
  window.OnCommand(kCmdExport);
  ASSERT_TRUE(dialog->seen);
  EXPECT_EQ(dialog->title, u"エクスポート先の設定ファイル名"_s);
  EXPECT_TRUE(dialog->preselected.first().endsWith(u"/ruz.ini"_s));
  ASSERT_TRUE(done->seen);
  EXPECT_EQ(done->title, u"Ruzo'sWebserver"_s);
  EXPECT_EQ(done->text, u"\"%1\" へエクスポートしました"_s.arg(Path("out/exported.ini")));
  EXPECT_EQ(ReadFile("out/exported.ini"), onDisk);
  EXPECT_EQ(window.Band().Lines().first(), u"サーバーネーム: testhost"_s);
  EXPECT_EQ(context_.isRunning, 1);

  // An existing file is replaced only after a yes.
  WriteIni(BasicIni(port) + "srvname=later\n");
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    auto again = AnswerNextFileDialog(Path("out/exported.ini"));
    auto question = AnswerNextBox(answer);
    // Watches started in turn take the boxes in turn: the question, then the confirmation.
    auto exported = answer == QMessageBox::Yes ? AnswerNextBox() : nullptr;
    window.OnCommand(kCmdExport);
    EXPECT_EQ(again->preselected.first(), Path("out/ruz.ini"));
    ASSERT_TRUE(question->seen);
    EXPECT_EQ(question->text,
              u"\"%1\" は既に存在します。\n上書きしますか？"_s.arg(Path("out/exported.ini")));
    EXPECT_EQ(question->defaultButton, QMessageBox::No);
    if (exported) {
      EXPECT_TRUE(exported->seen);
    } else {
      EXPECT_EQ(ReadFile("out/exported.ini"), onDisk);
    }
  }
  EXPECT_EQ(ReadFile("out/exported.ini"), ReadFile("ruz.ini"));
}

TEST_F(WindowTransferTest, CancelledDialogsDoNothing) {
  WriteIni(BasicIni(FreePort()));
  MainWindow &window = Open();
  const std::string before = ReadFile("ruz.ini");
  for (int id : {kCmdImport, kCmdExport}) {
    auto dialog = AnswerNextFileDialog(QString());
    window.OnCommand(id);
    EXPECT_TRUE(dialog->seen);
  }
  EXPECT_EQ(ReadFile("ruz.ini"), before);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowTransferTest, ImportRefusesAFileWithoutTheMainSection) {
  WriteIni(BasicIni(FreePort()));
  MainWindow &window = Open();
  const std::string before = ReadFile("ruz.ini");
  WriteFile("readme.txt", "Ruzo'sWebserver\r\nport=0\r\n");
  AnswerNextFileDialog(Path("readme.txt"));
  auto refused = AnswerNextBox();
  window.OnCommand(kCmdImport);
  ASSERT_TRUE(refused->seen);
  EXPECT_EQ(refused->icon, QMessageBox::Warning);
  EXPECT_EQ(refused->text, u"\"%1\" からのインポートに失敗しました\n"
                           u"[RUZ] セクションがないため、設定ファイルではありません。"_s
                               .arg(Path("readme.txt")));
  EXPECT_EQ(ReadFile("ruz.ini"), before);
  EXPECT_FALSE(QFile::exists(Path("ruz.ini.bak")));
  EXPECT_EQ(window.Band().Lines().first(), u"サーバーネーム: testhost"_s);
  EXPECT_EQ(context_.isRunning, 1);
}

TEST_F(WindowTransferTest, FailedCopiesAreReportedAndImportDoesNotRestart) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  MainWindow &window = Open();
  WriteFile("other/import.ini", BasicIni(FreePort()) + "srvname=never\n");
  // ruz.ini turns into a directory: it can be neither replaced nor read.
  QDir(dir_.path()).remove(u"ruz.ini"_s);
  QDir(dir_.path()).mkdir(u"ruz.ini"_s);

  AnswerNextFileDialog(Path("other/import.ini"));
  auto importBox = AnswerNextBox();
  window.OnCommand(kCmdImport);
  ASSERT_TRUE(importBox->seen);
  EXPECT_EQ(importBox->title, u"エラー"_s);
  EXPECT_EQ(importBox->icon, QMessageBox::Warning);
  EXPECT_EQ(importBox->text, u"\"%1\" からのインポートに失敗しました\n"
                             u"今の ruz.ini を ruz.ini.bak に保存できませんでした。"_s
                                 .arg(Path("other/import.ini")));
  EXPECT_EQ(window.Band().Lines().first(), u"サーバーネーム: testhost"_s);
  EXPECT_EQ(context_.isRunning, 1);

  AnswerNextFileDialog(Path("out.ini"));
  auto exportBox = AnswerNextBox();
  window.OnCommand(kCmdExport);
  ASSERT_TRUE(exportBox->seen);
  EXPECT_EQ(exportBox->title, u"エラー"_s);
  EXPECT_EQ(exportBox->text, u"\"%1\" へのエクスポートに失敗しました"_s.arg(Path("out.ini")));
  EXPECT_FALSE(QFile::exists(Path("out.ini")));
}

}  // namespace
}  // namespace ruz::testing
