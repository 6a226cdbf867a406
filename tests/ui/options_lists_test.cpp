// The list pages: add, edit, delete and move, and how an edited list is saved.
#include "options_fixture.h"

namespace ruz::testing {
namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kAliasPage = 3;
constexpr int kErrorPagePage = 5;
constexpr int kMimePage = 6;
constexpr int kAuthPage = 8;

using Rows = std::vector<std::string>;

class OptionsListTest : public OptionsTest {
 protected:
  // Presses button (Add or Edit) and fills the dialog that opens, then OK.
  void ThroughDialog(const char *button, const Fields &fields) {
    OnModal([fields](QWidget *dialog) {
      for (const auto &[name, text] : fields) Type(dialog, name, text);
      Click(dialog, "ok");
    });
    Click(sheet_.get(), button);
  }

  void OpenMimeList(const std::vector<const char *> &extensions) {
    std::string ini = "[RUZ]\r\nport=80\r\n";
    for (std::size_t i = 0; i < extensions.size(); ++i) {
      ini += "[mime" + std::to_string(i) + "]\r\nextension=" + extensions[i] +
             "\r\nmimetype=t/" + extensions[i] + "\r\n";
    }
    WriteIni(ini);
    OpenSheet();
    ShowPage(kMimePage);
  }

  // The first cell of every row.
  Rows Extensions() {
    Rows out;
    for (const std::string &row : Cells("mimeList")) out.push_back(row.substr(0, row.find('|')));
    return out;
  }
};

TEST_F(OptionsListTest, DeletingTheLastOfThreeAliasesDeletesItsSectionAndKeepsAStrayOne) {
  WriteIni("[RUZ]\r\nalias=1\r\n"
           "[alias0]\r\nserverpath=/a/\r\nlocalpath=/srv/a\r\n"
           "[alias1]\r\nserverpath=/b/\r\nlocalpath=/srv/b\r\n"
           "[alias2]\r\nserverpath=/c/\r\nlocalpath=/srv/c\r\n"
           "[alias5]\r\nserverpath=/stray/\r\nlocalpath=/srv/stray\r\n");
  OpenSheet();
  ShowPage(kAliasPage);
  EXPECT_EQ(Cells("aliasList"), (Rows{"/a/|/srv/a", "/b/|/srv/b", "/c/|/srv/c"}));
  Select("aliasList", 2);
  Click(sheet_.get(), "aliasDelete");
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("alias0", "serverpath"), "/a/");
  EXPECT_EQ(Key("alias1", "localpath"), "/srv/b");
  EXPECT_EQ(Key("alias2", "serverpath"), "<absent>");
  EXPECT_EQ(Key("alias5", "serverpath"), "/stray/");
}

TEST_F(OptionsListTest, MovingTheSecondMimeRowUpSavesItFirst) {
  OpenMimeList({".html", ".txt"});
  Select("mimeList", 1);
  Click(sheet_.get(), "mimeUp");
  EXPECT_EQ(Extensions(), (Rows{".txt", ".html"}));
  EXPECT_TRUE(List("mimeList")->topLevelItem(0)->isSelected());
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("mime0", "extension"), ".txt");
  EXPECT_EQ(Key("mime0", "mimetype"), "t/.txt");
  EXPECT_EQ(Key("mime1", "extension"), ".html");
}

TEST_F(OptionsListTest, AddInsertsAboveTheSelectedRowOrAtTheEnd) {
  OpenMimeList({".a", ".b", ".c"});
  Select("mimeList", 2);
  ThroughDialog("mimeAdd", {{"extension", u".x"_s}, {"mimetype", u"t/x"_s}});
  EXPECT_EQ(Extensions(), (Rows{".a", ".b", ".x", ".c"}));
  Select("mimeList", -1);
  ThroughDialog("mimeAdd", {{"extension", u".y"_s}, {"mimetype", u"t/y"_s}});
  EXPECT_EQ(Extensions(), (Rows{".a", ".b", ".x", ".c", ".y"}));
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("mime2", "extension"), ".x");
  EXPECT_EQ(Key("mime4", "mimetype"), "t/y");
}

TEST_F(OptionsListTest, MovesSwapOnlyNeighboursAfterAddsAndDeletes) {
  OpenMimeList({".a", ".b", ".c", ".d"});
  Select("mimeList", 1);
  Click(sheet_.get(), "mimeDelete");
  Click(sheet_.get(), "mimeDelete");  // nothing is selected any more
  EXPECT_EQ(Extensions(), (Rows{".a", ".c", ".d"}));
  ThroughDialog("mimeAdd", {{"extension", u".e"_s}, {"mimetype", u"t/e"_s}});
  EXPECT_EQ(Extensions(), (Rows{".a", ".c", ".d", ".e"}));

  Select("mimeList", 1);
  Click(sheet_.get(), "mimeDown");
  Click(sheet_.get(), "mimeDown");
  EXPECT_EQ(Extensions(), (Rows{".a", ".d", ".e", ".c"}));
  Click(sheet_.get(), "mimeDown");  // at the bottom
  EXPECT_EQ(Extensions(), (Rows{".a", ".d", ".e", ".c"}));
  Click(sheet_.get(), "mimeUp");
  EXPECT_EQ(Extensions(), (Rows{".a", ".d", ".c", ".e"}));
  Select("mimeList", 0);
  Click(sheet_.get(), "mimeUp");  // at the top
  EXPECT_EQ(Extensions(), (Rows{".a", ".d", ".c", ".e"}));
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("mime3", "extension"), ".e");
}

TEST_F(OptionsListTest, ButtonsWithoutSelection) {
  OpenMimeList({".a", ".b"});
  Click(sheet_.get(), "mimeDelete");
  Click(sheet_.get(), "mimeEdit");  // would open a dialog and hang on a fault
  EXPECT_FALSE(memory_.listEdited[kMimeList]);
  Click(sheet_.get(), "mimeUp");
  EXPECT_EQ(Extensions(), (Rows{".a", ".b"}));
  EXPECT_TRUE(memory_.listEdited[kMimeList]);  // a move that moved nothing counts
}

TEST_F(OptionsListTest, ListCellsShowAndSaveTheCommaForm) {
  WriteIni("[RUZ]\r\nauth=1\r\n[auth0]\r\nname=realm\r\npath=/a/*,/b/*\r\nuser=u1,u2\r\n");
  OpenSheet();
  ShowPage(kAuthPage);
  EXPECT_EQ(Cells("authList"), Rows{"realm|/a/*,/b/*|u1,u2"});
  Select("authList", 0);
  OnModal([](QWidget *dialog) {
    EXPECT_EQ(TextOf(dialog, "path"), u"/a/*,/b/*"_s);
    Type(dialog, "name", u"他の名前"_s);
    Click(dialog, "ok");
  });
  Click(sheet_.get(), "authEdit");
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("auth0", "name"), Utf8ToCp932("他の名前"));
  EXPECT_EQ(Key("auth0", "path"), "/a/*,/b/*");
  EXPECT_EQ(Key("auth0", "user"), "u1,u2");
}

TEST_F(OptionsListTest, SavingAnEditedListKeepsUntouchedCellsByteForByte) {
  const std::string odd = "/srv/\xED\x40\x87\x90";
  WriteIni("[RUZ]\r\n[alias0]\r\nserverpath=/x/\r\nlocalpath=" + odd +
           "\r\n[alias1]\r\nserverpath=/y/\r\nlocalpath=" + odd + "\r\n");
  OpenSheet();
  ShowPage(kAliasPage);
  Select("aliasList", 0);
  ThroughDialog("aliasEdit", {});  // OK on an untouched dialog
  Select("aliasList", 1);
  ThroughDialog("aliasEdit", {{"serverpath", u"/z/"_s}});
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("alias0", "localpath"), odd);
  EXPECT_EQ(Key("alias1", "serverpath"), "/z/");
  EXPECT_EQ(Key("alias1", "localpath"), odd);
}

TEST_F(OptionsListTest, PathsShowTheTextOfTheFileAndEditingOneRowRewritesNoOther) {
  const std::string ini =
      "[RUZ]\r\nroot=www\r\nlogname=\"logs/access.log\"\r\nalias=1\r\nerrpage=1\r\n"
      "[alias0]\r\nserverpath=/p/\r\nlocalpath=../pub\r\n"
      "[errpage0]\r\nerrcode=404\r\nerrfile=www/errors/404.html\r\n"
      "[errpage1]\r\nerrcode=403\r\nerrfile=\"www/errors/403.html\"\r\n";
  WriteIni(ini);
  OpenSheet();
  EXPECT_EQ(TextOf(sheet_.get(), "root"), u"www"_s);
  EXPECT_EQ(TextOf(sheet_.get(), "logname"), u"logs/access.log"_s);
  ShowPage(kAliasPage);
  EXPECT_EQ(Cells("aliasList"), Rows{"/p/|../pub"});
  ShowPage(kErrorPagePage);
  EXPECT_EQ(Cells("errpageList"), (Rows{"404|www/errors/404.html", "403|www/errors/403.html"}));
  QPointer<QTimer> watch = OnModal([](QWidget *dialog) {  // a double click edits the row
    Type(dialog, "errcode", u"500"_s);
    Click(dialog, "ok");
  });
  QApplication::processEvents();  // lays out the page just shown
  QTreeWidget *view = List("errpageList");
  const QPoint row = view->visualItemRect(view->topLevelItem(1)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row);
  delete watch.data();  // still there when no dialog came
  EXPECT_EQ(PressOk(), 1);
  std::string expected = ini;
  expected.replace(expected.find("errcode=403"), 11, "errcode=500");
  EXPECT_EQ(ReadIni(), expected);
}

TEST_F(OptionsListTest, ErrorPageEditShowsTheCodeAsANumberAndCancelChangesNothing) {
  WriteIni("[RUZ]\r\n[errpage0]\r\nerrcode=404\r\nerrfile=/e/404.html\r\n");
  OpenSheet();
  ShowPage(kErrorPagePage);
  Select("errpageList", 0);
  OnModal([](QWidget *dialog) {
    EXPECT_EQ(TextOf(dialog, "errcode"), u"404"_s);
    EXPECT_EQ(TextOf(dialog, "errfile"), u"/e/404.html"_s);
    Type(dialog, "errcode", u"500"_s);
    Click(dialog, "cancel");
  });
  Click(sheet_.get(), "errpageEdit");
  EXPECT_EQ(Cells("errpageList"), Rows{"404|/e/404.html"});
  EXPECT_FALSE(memory_.listEdited[kErrorPageList]);

  Select("errpageList", -1);
  ThroughDialog("errpageAdd", {{"errcode", u"40x"_s}, {"errfile", u"/e/40.html"_s}});
  EXPECT_EQ(Cells("errpageList"), (Rows{"404|/e/404.html", "40|/e/40.html"}));
  EXPECT_EQ(PressOk(), 1);
  EXPECT_EQ(Key("errpage1", "errcode"), "40");
}

}  // namespace
}  // namespace ruz::testing
