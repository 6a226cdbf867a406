// The options sheet: what OK, Cancel and the pages write into ruz.ini.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>

#include <map>

#include <unistd.h>

#include "config/setting_fields.h"
#include "options_fixture.h"
#include "ui/options/entry_dialog.h"
#include "ui/options/list_page.h"
#include "ui/options/options_page.h"
#include "ui/options/options_pages.h"

namespace ruz::testing {
namespace {

using namespace Qt::Literals::StringLiterals;

// Holds bytes that CP932 → Unicode → CP932 does not give back (ED 40, 87 90).
std::string RichIni() {
  const std::string srvname = Utf8ToCp932("テスト鯖") + "\xED\x40";
  return "[RUZ]\r\nsrvname=" + srvname +
         "\r\nport=8080\r\nroot=www\r\ndefmime=text/plain\r\nindex=index.html,index.htm\r\n"
         "filelist=1\r\nlogwrite=1\r\nlogformat=%Host% \x87\x90\r\nmem=0\r\nbufmax=4096\r\n"
         "logname=logs/access.log\r\nrunning=1\r\nssi=1\r\nssiexts=.shtml,.shtm\r\n"
         "ssinoexeccmd=1\r\nnocgissi=/cgi-bin/*,/tmp/*\r\nauth=1\r\nalias=2\r\ndeny=0\r\n"
         "errpage=1\r\ndnsopt=1\r\nmaxconnect=10\r\n"
         "[cgi0]\r\nextension=.pl,.cgi\r\nfileheader=#!perl\r\ncmdline=perl \"%filepath%\"\r\n"
         "[alias0]\r\nserverpath=/a/\r\nlocalpath=pub\xED\x40\r\n"
         "[alias1]\r\nserverpath=/b/\r\nlocalpath=/srv/b\r\n"
         "[deny0]\r\npath=/a/*,/b/*\r\nallow=127.0.0.1\r\ndeny=*\r\n"
         "[errpage0]\r\nerrcode=404\r\nerrfile=err/404.html\r\n"
         "[mime0]\r\nextension=.html,.htm\r\nmimetype=text/html\r\n"
         "[user0]\r\nname=" + Utf8ToCp932("ユーザー") + "\r\npassword=pw\r\n"
         "[auth0]\r\nname=realm\r\npath=/a/*,/b/*\r\nuser=u1,u2\r\n";
}

constexpr int kMimePage = 6;
constexpr int kAliasPage = 3;

class OptionsSheetTest : public OptionsTest {};

TEST_F(OptionsSheetTest, OkWithoutChangesWritesNothingAndReportsNoChange) {
  WriteIni(RichIni());
  OpenSheet();
  for (int page = 0; page < kOptionsPageCount; ++page) {
    if (page != kMimePage) ShowPage(page);
  }
  EXPECT_EQ(PressOk(), 0);
  EXPECT_EQ(ReadIni(), RichIni());
}

TEST_F(OptionsSheetTest, MimePageShownWritesOnlyDefmimeWithoutReportingAChange) {
  const std::string ini = "[RUZ]\r\nport=80\r\n[mime0]\r\nextension=.txt\r\nmimetype=text/plain\r\n";
  WriteIni(ini);
  OpenSheet();
  ShowPage(kMimePage);
  EXPECT_EQ(PressOk(), 0);
  EXPECT_EQ(Key("RUZ", "defmime"), "");
  EXPECT_EQ(Key("RUZ", "port"), "80");

  // A loaded default MIME type that does not round-trip keeps its bytes.
  const std::string odd = "[RUZ]\r\ndefmime=x/\x87\x90\r\n";
  WriteIni(odd);
  OpenSheet();
  ShowPage(kMimePage);
  EXPECT_EQ(PressOk(), 0);
  EXPECT_EQ(ReadIni(), odd);
}

TEST_F(OptionsSheetTest, CancelAfterEditsOnEveryPageWritesNothing) {
  WriteIni(RichIni());
  OpenSheet();
  for (int page = 0; page < kOptionsPageCount; ++page) ShowPage(page);
  for (QLineEdit *edit : sheet_->findChildren<QLineEdit *>()) edit->setText(u"999x"_s);
  for (QCheckBox *box : sheet_->findChildren<QCheckBox *>()) box->toggle();
  Find<QComboBox>("dnsopt")->setCurrentIndex(2);
  Find<QPlainTextEdit>("nocgissi")->setPlainText(u"/x/*"_s);
  for (QTreeWidget *view : sheet_->findChildren<QTreeWidget *>()) {
    view->topLevelItem(0)->setSelected(true);
    Click(view->parentWidget(), (view->objectName().chopped(4) + u"Delete"_s).toLatin1());
  }
  EXPECT_EQ(PressCancel(), 0);
  EXPECT_EQ(ReadIni(), RichIni());
  EXPECT_TRUE(memory_.listEdited[kAliasList]);
}

TEST_F(OptionsSheetTest, EditedListIsSavedOnlyInRunsThatShowItsPage) {
  // Quotes would vanish if a line were rewritten.
  const std::string ini =
      "[RUZ]\r\nport=80\r\n[alias0]\r\nserverpath=\"/a/\"\r\nlocalpath=/srv/a\r\n";
  WriteIni(ini);
  OpenSheet();
  ShowPage(kAliasPage);
  Select("aliasList", 0);
  Click(sheet_.get(), "aliasUp");  // moves nothing, but the list counts as edited
  EXPECT_EQ(PressCancel(), 0);
  EXPECT_EQ(ReadIni(), ini);

  OpenSheet();
  EXPECT_EQ(PressOk(), 0);
  EXPECT_EQ(ReadIni(), ini);

  // Saved and reported, but rows that did not change keep their lines.
  OpenSheet();
  ShowPage(kAliasPage);
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(ReadIni(), ini);
}

TEST_F(OptionsSheetTest, NumberEditsCompareTheLeadingIntegerAndWriteTheTextAsTyped) {
  struct Case {
    const char *key;
    const char *loaded;
    QString typed;
    const char *inFile;
    int changed;
  };
  const Case cases[] = {
      {"port", "80", u"80x"_s, "80", 0},          {"port", "8080", u"80x"_s, "80x", 1},
      {"port", "80", u"abc"_s, "abc", 1},         {"port", "0", u"abc"_s, "0", 0},
      {"maxconnect", "5", u"-3"_s, "-3", 1},      {"maxconnect", "5", u"05"_s, "5", 0},
      {"keepalive", "0", u"5"_s, "5", 1},         {"keepalive", "5", u"5"_s, "5", 0},
  };
  for (const Case &c : cases) {
    WriteIni(std::string("[RUZ]\r\n") + c.key + "=" + c.loaded + "\r\n");
    OpenSheet();
    Type(sheet_.get(), c.key, c.typed);
    EXPECT_EQ(PressOk(), c.changed) << c.loaded << " typed " << c.typed.toStdString();
    EXPECT_EQ(Key("RUZ", c.key), c.inFile) << c.loaded << " typed " << c.typed.toStdString();
  }
}

TEST_F(OptionsSheetTest, KeepAliveFieldTakesOnlySecondsWithinTheKeysLimits) {
  WriteIni("[RUZ]\r\nkeepalive=5\r\n");
  OpenSheet();
  auto *edit = Find<QLineEdit>("keepalive");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->text(), u"5"_s);
  edit->clear();
  QTest::keyClicks(edit, u"3009"_s);  // the last digit would pass the limit
  EXPECT_EQ(edit->text(), u"300"_s);
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("RUZ", "keepalive"), "300");
}

TEST_F(OptionsSheetTest, FieldsThatDependOnACheckBoxFollowIt) {
  struct Case {
    const char *box;
    const char *field;
  };
  const Case cases[] = {{"mem", "bufmax"},          {"logwrite", "logname"},
                        {"logwrite", "logformat"},  {"logwrite", "browseLog"},
                        {"ssi", "ssiexts"},         {"running", "cgiAdd"}};
  WriteIni(RichIni());
  OpenSheet();
  for (const Case &c : cases) {
    auto *box = Find<QCheckBox>(c.box);
    QWidget *field = Find<QWidget>(c.field);
    ASSERT_NE(field, nullptr) << c.field;
    for (bool on : {true, false, true}) {
      box->setChecked(on);
      EXPECT_EQ(field->isEnabled(), on) << c.box << " " << c.field;
    }
  }
  // Writing back on leaves the limit off while buffering stays off.
  Find<QCheckBox>("mem")->setChecked(false);
  Find<QCheckBox>("logwrite")->setChecked(false);
  Find<QCheckBox>("logwrite")->setChecked(true);
  EXPECT_FALSE(Find<QWidget>("bufmax")->isEnabled());
  EXPECT_EQ(Find<QLineEdit>("logformat")->cursorPosition(), 0);  // shown from its start
}

TEST_F(OptionsSheetTest, EnterOnAPageButtonOrListRowOpensItsDialogAndKeepsTheSheet) {
  struct Case {
    const char *target;
    int row;  // the selected row; -1 for a button
  };
  const Case cases[] = {{"aliasAdd", -1}, {"aliasEdit", 0}, {"aliasList", 1}};
  for (const Case &c : cases) {
    WriteIni(RichIni());
    OpenSheet();
    ShowPage(kAliasPage);
    if (c.row >= 0) {
      Select("aliasList", c.row);
      List("aliasList")->setCurrentItem(List("aliasList")->topLevelItem(c.row));
    }
    QString opened;
    OnModal(
        [&opened](QWidget *modal) {
          opened = modal->windowTitle();
          modal->close();
        },
        sheet_.get());
    sheet_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet_.get()));
    QWidget *target = Find<QWidget>(c.target);
    target->setFocus(Qt::TabFocusReason);
    QTest::keyClick(target, Qt::Key_Return);
    EXPECT_EQ(opened, u"エイリアスの追加・編集"_s) << c.target;
    EXPECT_TRUE(sheet_->isVisible()) << c.target;
    EXPECT_EQ(PressCancel(), 0);
  }
}

TEST_F(OptionsSheetTest, CheckBoxFollowsAnyNonZeroFlagAndWritesZeroOrOne) {
  for (const char *value : {"0", "1", "2"}) {
    WriteIni(std::string("[RUZ]\r\nalias=") + value + "\r\n");
    OpenSheet();
    ShowPage(kAliasPage);
    auto *box = Find<QCheckBox>("alias");
    EXPECT_EQ(box->isChecked(), std::string(value) != "0") << value;
    EXPECT_EQ(PressOk(), 0);
    OpenSheet();
    ShowPage(kAliasPage);
    Find<QCheckBox>("alias")->toggle();
    EXPECT_EQ(PressOk(), 1);
    EXPECT_EQ(Key("RUZ", "alias"), std::string(value) == "0" ? "1" : "0");
  }
}

TEST_F(OptionsSheetTest, TextEditsWriteWhatIsTypedCutAtACharacterBoundary) {
  WriteIni(RichIni());
  OpenSheet();
  QString longName;
  for (int i = 0; i < 130; ++i) longName += u"あ"_s;
  Type(sheet_.get(), "srvname", longName);
  Type(sheet_.get(), "index", u"a.html,,b.htm"_s);
  Type(sheet_.get(), "root", QString());
  ShowPage(1);
  Type(sheet_.get(), "logname", u"ログ/access.log"_s);
  EXPECT_EQ(PressOk(), 1);

  std::string expected;
  for (int i = 0; i < 127; ++i) expected += Utf8ToCp932("あ");
  EXPECT_EQ(Key("RUZ", "srvname"), expected);
  EXPECT_EQ(Key("RUZ", "index"), "a.html,,b.htm");
  EXPECT_EQ(Key("RUZ", "root"), "");
  EXPECT_EQ(Key("RUZ", "logname"), Utf8ToCp932("ログ/access.log"));
  EXPECT_EQ(Key("RUZ", "logformat"), "%Host% \x87\x90");  // untouched, bytes kept
}

TEST_F(OptionsSheetTest, NoCgiSsiShowsOnePatternPerLineAndIsWrittenWithCommas) {
  WriteIni(RichIni());
  OpenSheet();
  ShowPage(2);
  auto *paths = Find<QPlainTextEdit>("nocgissi");
  EXPECT_EQ(paths->toPlainText(), u"/cgi-bin/*\n/tmp/*"_s);
  paths->setPlainText(u"/a/*\n/b/*\n/c/*"_s);
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("RUZ", "nocgissi"), "/a/*,/b/*,/c/*");
}

TEST_F(OptionsSheetTest, RestoreButtonPutsTheStandardLogFormatIntoTheEdit) {
  WriteIni("[RUZ]\r\nlogwrite=1\r\nlogformat=%Host%\r\n");
  OpenSheet();
  ShowPage(1);
  Click(sheet_.get(), "restoreLogFormat");
  EXPECT_EQ(TextOf(sheet_.get(), "logformat"), FromCp932(kStandardLogFormat));
  EXPECT_EQ(Key("RUZ", "logformat"), "%Host%");  // nothing before OK
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("RUZ", "logformat"), kStandardLogFormat);
}

TEST_F(OptionsSheetTest, RemoteHostChoiceIsWrittenAsItsIndex) {
  WriteIni(RichIni());
  OpenSheet();
  ShowPage(9);
  auto *choice = Find<QComboBox>("dnsopt");
  EXPECT_EQ(choice->currentIndex(), 1);
  choice->setCurrentIndex(2);
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("RUZ", "dnsopt"), "2");

  // A value no item stands for stays untouched.
  WriteIni("[RUZ]\r\ndnsopt=7\r\n");
  OpenSheet();
  ShowPage(9);
  EXPECT_EQ(PressOk(), 0);
  EXPECT_EQ(Key("RUZ", "dnsopt"), "7");
}

TEST_F(OptionsSheetTest, EnterMeansOkAfterTheFocusPassedEveryButton) {
  const std::pair<int, const char *> targets[] = {
      {0, "srvname"}, {2, "running"}, {kAliasPage, "alias"}, {9, "dnsopt"}};
  for (const auto &[page, name] : targets) {
    WriteIni(RichIni());
    OpenSheet();
    Type(sheet_.get(), "srvname", u"新しい名前"_s);
    ShowPage(page);
    EnterAfterVisitingEveryButton(sheet_.get(), Find<QWidget>(name));
    EXPECT_EQ(sheet_->result(), QDialog::Accepted) << name;
    EXPECT_EQ(Key("RUZ", "srvname"), Utf8ToCp932("新しい名前")) << name;
  }
}

TEST_F(OptionsSheetTest, OpensAtASizeThatHoldsEveryPage) {
  WriteIni(RichIni());
  OptionsSheet &sheet = OpenSheet();
  QApplication::processEvents();
  const QSize area = sheet.Page(0)->size();
  for (int page = 0; page < kOptionsPageCount; ++page) {
    const QSize wanted = sheet.Page(page)->sizeHint();
    EXPECT_GE(area.width(), wanted.width()) << page;
    EXPECT_GE(area.height(), wanted.height()) << page;
  }
  // The tab row scrolls rather than widen the sheet: at 1.5 times the size it
  // still leaves room on a screen 1280 pixels wide.
  EXPECT_TRUE(sheet.Tabs()->usesScrollButtons());
  EXPECT_LE(sheet.frameGeometry().width() * 3 / 2, 1280 * 3 / 4);
  // At 1.5 times on a 1280 × 800 screen, less a panel and a title bar, the
  // sheet can shrink until OK fits: the pages scroll instead.
  const QSize smallest = sheet.minimumSizeHint() * 3 / 2;
  EXPECT_LE(smallest.height(), 800 - 40 - 30);
  EXPECT_LE(smallest.width(), 1280);
  EXPECT_LE(sheet.height(), sheet.screen()->availableGeometry().height());
}

TEST_F(OptionsSheetTest, ReopensAtThePageShownLast) {
  WriteIni(RichIni());
  OpenSheet();
  ShowPage(kMimePage);
  EXPECT_EQ(PressCancel(), 0);
  EXPECT_EQ(OpenSheet(true).Tabs()->currentIndex(), kMimePage);
  EXPECT_TRUE(sheet_->WasShown(kMimePage));
  EXPECT_FALSE(sheet_->WasShown(0));
}

// The field table gives each key to the sheet, the window or the file alone.
// Each key of the sheet is on exactly one page, by a control named after it or
// in one of the page's lists, whose columns and dialog fields follow the keys
// of its section; no page has a control named after a key it does not declare.
TEST_F(OptionsSheetTest, EveryKeyOfTheSheetIsOnExactlyOnePageUnderItsName) {
  WriteIni(RichIni());
  OptionsSheet &sheet = OpenSheet();
  std::map<const SettingField *, int> pages;
  for (int page = 0; page < kOptionsPageCount; ++page) {
    const PageContents contents = ContentsOfPage(page);
    for (const SettingField *key : contents.keys) {
      ++pages[key];
      EXPECT_NE(sheet.Page(page)->findChild<QWidget *>(KeyName(key->key)), nullptr) << key->key;
    }
    for (ListKind kind : contents.lists) {
      const ListTable &table = GetListTable(kind);
      const DialogTemplate &dialog = EntryDialogTemplate(kind);
      EXPECT_NE(sheet.Page(page)->findChild<QTreeWidget *>(KeyName(table.section.prefix) + u"List"_s),
                nullptr) << table.section.prefix;
      ASSERT_EQ(table.columns.size(), table.section.keys.size()) << table.section.prefix;
      ASSERT_EQ(dialog.fields.size(), table.section.keys.size()) << table.section.prefix;
      for (std::size_t i = 0; i < table.section.keys.size(); ++i) {
        ++pages[table.section.keys[i]];
        EXPECT_EQ(dialog.fields[i].field, table.section.keys[i]) << table.section.prefix << i;
      }
    }
    for (const QWidget *widget : sheet.Page(page)->findChildren<QWidget *>()) {
      const MainField *entry = FindMainField(ToCp932(widget->objectName()));
      if (entry == nullptr) continue;
      EXPECT_NE(std::ranges::find(contents.keys, entry->field), contents.keys.end())
          << entry->field->key << " on page " << page;
    }
  }
  for (const MainField &entry : MainFields()) {
    const int expected = entry.field->editedIn == EditedIn::kOptionsSheet ? 1 : 0;
    EXPECT_EQ(pages[entry.field], expected) << entry.field->key;
  }
  for (const ListSection *section : ListSections()) {
    for (const SettingField *key : section->keys) {
      EXPECT_EQ(key->editedIn, EditedIn::kOptionsSheet) << section->prefix << " " << key->key;
      EXPECT_EQ(pages[key], 1) << section->prefix << " " << key->key;
    }
  }
}

// Fails even for root: the program folder is gone, ruz.ini is a folder; and
// for other users, ruz.ini is read-only. The warning names the file and the
// reason, the sheet stays open and reports no change, and the file keeps its bytes.
TEST_F(OptionsSheetTest, AWriteThatFailsIsWarnedOfAndChangesNothingElse) {
  struct Case {
    const char *what;
    std::function<std::string()> spoil;  // returns the ini path the sheet writes
    const char *reason;
    bool asRoot;
  };
  const std::string home = dir_.path().toStdString();
  const Case cases[] = {
      {"folder gone",
       [home] {
         SetProgramDirectory(home + "/gone");
         return home + "/gone/ruz.ini";
       },
       "No such file or directory", true},
      {"ini is a folder",
       [this] {
         QFile::remove(QString::fromStdString(IniFile()));
         QDir().mkdir(QString::fromStdString(IniFile()));
         return IniFile();
       },
       "Is a directory", true},
      {"ini is read-only",
       [this] {
         QFile::setPermissions(QString::fromStdString(IniFile()), QFileDevice::ReadOwner);
         return IniFile();
       },
       "Permission denied", false},
  };
  for (const Case &c : cases) {
    if (!c.asRoot && geteuid() == 0) continue;
    SetProgramDirectory(home);
    QDir(QString::fromStdString(IniFile())).removeRecursively();
    WriteIni(RichIni());
    OpenSheet();
    ShowPage(kAliasPage);
    Type(sheet_.get(), "srvname", u"新しい名前"_s);
    Find<QCheckBox>("alias")->toggle();
    const std::string path = c.spoil();
    QString title, text;
    OnModal(
        [&](QWidget *modal) {
          auto *box = qobject_cast<QMessageBox *>(modal);
          ASSERT_NE(box, nullptr);
          title = box->windowTitle();
          text = box->text();
          box->accept();
        },
        sheet_.get());
    EXPECT_EQ(PressOk(), 0) << c.what;
    EXPECT_EQ(title, u"エラー"_s) << c.what;
    EXPECT_EQ(text, u"設定を \"%1\" に保存できませんでした\n%2"_s.arg(FromCp932(path),
                                                                     QString::fromLatin1(c.reason)))
        << c.what;
    EXPECT_TRUE(sheet_->isVisible()) << c.what;
    EXPECT_NE(sheet_->result(), QDialog::Accepted) << c.what;
    SetProgramDirectory(home);
    QFile::setPermissions(QString::fromStdString(IniFile()),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (GetFileInfo(IniFile()).isDirectory) continue;
    EXPECT_EQ(ReadIni(), RichIni()) << c.what;
  }
}

TEST_F(OptionsSheetTest, OnlyPagesShownInThisRunWriteOnOk) {
  WriteIni(RichIni());
  OptionsSheet &sheet = OpenSheet();
  EXPECT_TRUE(sheet.WasShown(0));
  EXPECT_FALSE(sheet.WasShown(kAliasPage));
  Find<QCheckBox>("alias")->toggle();  // built for the sheet's size, never shown
  EXPECT_EQ(PressOk(), 0);
  EXPECT_EQ(ReadIni(), RichIni());

  OpenSheet();
  ShowPage(kAliasPage);
  EXPECT_TRUE(sheet_->WasShown(kAliasPage));
  Find<QCheckBox>("alias")->toggle();
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("RUZ", "alias"), "0");
  EXPECT_EQ(sheet_->Tabs()->tabText(kAliasPage), u"エイリアス"_s);
  EXPECT_EQ(sheet_->windowTitle(), u"オプション"_s);
}

}  // namespace
}  // namespace ruz::testing
