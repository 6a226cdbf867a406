// Requests judged by what they mean: every spelling of a protected path gets
// the answer of the plain path, aliases stay inside their folder, and the
// program's own files are never served.
#include <filesystem>

#include "integration/harness.h"

namespace ruz::test {
namespace {

namespace fs = std::filesystem;

class RequestSafetyTest : public ServerTest {
 protected:
  void SetUp() override {
    WriteFile("www/index.html", "top");
    WriteFile("www/private/secret.txt", "secret");
    WriteFile("www/private/run.cgi", "echo 'Content-Type: text/plain'; echo; echo ran");
    WriteFile("www/admin/panel.txt", "panel");
    WriteFile("www/uploads/evil.cgi", "echo 'Content-Type: text/plain'; echo; echo ran");
    WriteFile("www/uploads/evil.shtml", "<!--#echo var=\"DOCUMENT_NAME\" -->");
    SetKey("auth", "1");
    SetKey("deny", "1");
    SetKey("running", "1");
    SetKey("ssi", "1");
    SetKey("ssiexts", ".shtml");
    SetKey("nocgissi", "/uploads/*");
    AddSections(
        "[user0]\r\nname=alice\r\npassword=pw\r\n"
        "[auth0]\r\nname=Private\r\npath=/private/*\r\nuser=alice\r\n"
        "[deny0]\r\npath=/admin/*\r\nallow=10.*\r\ndeny=\r\n"
        "[cgi0]\r\nextension=.cgi\r\nfileheader=\r\ncmdline=sh %filepath%\r\n");
  }
};

TEST_F(RequestSafetyTest, EverySpellingOfAPathGetsTheAnswerOfItsCanonicalForm) {
  StartServer();
  struct Case {
    const char *target;
    int status;
    const char *body;  // nullptr: not compared
  } cases[] = {
      {"/private/secret.txt", 401, nullptr},
      {"//private/secret.txt", 401, nullptr},
      {"/./private/secret.txt", 401, nullptr},
      {"/%2fprivate/secret.txt", 401, nullptr},
      {"/private//./secret.txt", 401, nullptr},
      {"//private/run.cgi", 401, nullptr},
      {"//admin/panel.txt", 403, nullptr},
      {"//admin/", 403, nullptr},
      {"/.//admin/panel.txt", 403, nullptr},
      {"//uploads/evil.cgi", 200, "echo 'Content-Type: text/plain'; echo; echo ran"},
      {"/uploads/./evil.cgi", 200, "echo 'Content-Type: text/plain'; echo; echo ran"},
      {"//uploads/evil.shtml", 200, "<!--#echo var=\"DOCUMENT_NAME\" -->"},
      {"/admin/.", 403, nullptr},
      {"/a/.//../index.html", 400, nullptr},
      {"/.%2f../index.html", 400, nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.target);
    const HttpResponse r = Get(c.target);
    EXPECT_EQ(r.status, c.status);
    if (c.body != nullptr) {
      EXPECT_EQ(r.body, c.body);
    }
    // The row keeps what the client sent.
    EXPECT_EQ(RowFor(c.target)[4], c.target);
  }
  EXPECT_EQ(Get("//private/secret.txt", "Authorization: Basic YWxpY2U6cHc=\r\n").body, "secret");
}

TEST_F(RequestSafetyTest, AliasesApplyOnlyAtSegmentBoundaries) {
  WriteFile("pictures/a.jpg", "picture");
  WriteFile("pictures_private/secret.txt", "sibling");
  WriteFile("picturesa.jpg", "joined");
  WriteFile("pics/b.jpg", "pics");
  WriteFile("pics_private/secret.txt", "sibling");
  WriteFile("www/pics_private/secret.txt", "root copy");
  SetKey("alias", "1");
  AddSections(
      "[alias0]\r\nserverpath=/pictures/\r\nlocalpath=pictures\r\n"
      "[alias1]\r\nserverpath=/pics\r\nlocalpath=pics/\r\n");
  StartServer();
  EXPECT_EQ(Get("/pictures/a.jpg").body, "picture");
  EXPECT_EQ(Get("/PICTURES/a.jpg").body, "picture");
  EXPECT_EQ(Get("/pictures/_private/secret.txt").status, 404);
  EXPECT_EQ(Get("/pics/b.jpg").body, "pics");
  EXPECT_EQ(Get("/pics").Header("Location"), "/pics/");
  EXPECT_EQ(Get("/pics_private/secret.txt").body, "root copy");
}

TEST_F(RequestSafetyTest, TheSettingsFileAndTheLogAreNeverServed) {
  WriteFile("notes.txt", "public");
  WriteFile("ruz.ini.bak", "[RUZ]\r\n");
  fs::create_symlink(HomePath("ruz.ini"), HomePath("www/link.ini"));
  SetKey("root", "");
  SetKey("filelist", "1");
  SetKey("index", "");
  SetKey("alias", "1");
  AddSections("[alias0]\r\nserverpath=/home/\r\nlocalpath=.\r\n");
  StartServer();
  ASSERT_EQ(Get("/notes.txt").body, "public");  // also creates the log
  for (const char *target : {"/ruz.ini", "/RUZ.INI/.", "/ruz.ini.bak", "/access.log",
                             "/home/ruz.ini", "//home/access.log", "/www/link.ini"}) {
    SCOPED_TRACE(target);
    const HttpResponse r = Get(target);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.body.find("password"), std::string::npos);
  }
  EXPECT_EQ(RowFor("/ruz.ini")[2], "ファイルが見つかりません");
  const std::string listing = Get("/").body;
  EXPECT_NE(listing.find("notes.txt"), std::string::npos);
  EXPECT_EQ(listing.find("ruz.ini"), std::string::npos);
  EXPECT_EQ(listing.find("access.log"), std::string::npos);
}

}  // namespace
}  // namespace ruz::test
