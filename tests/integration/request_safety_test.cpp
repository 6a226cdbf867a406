// Requests judged by what they mean: every spelling of a protected path gets
// the answer of the plain path, aliases stay inside their folder, the
// program's own files are never served, client text cannot forge log lines,
// CGI programs get exactly the body the client stated, and SSI pages escape
// what they echo.
#include <chrono>
#include <filesystem>
#include <regex>

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
  // A log renamed away is followed by a new one, which is just as private.
  fs::rename(HomePath("access.log"), HomePath("old.log"));
  const auto renamed = std::chrono::steady_clock::now();
  for (std::size_t rows = Rows(1).size(); !fs::exists(HomePath("access.log")) &&
                                          std::chrono::steady_clock::now() - renamed < std::chrono::seconds(5);) {
    Get("/notes.txt");
    Rows(++rows);  // its log line has been stored
  }
  ASSERT_TRUE(fs::exists(HomePath("access.log")));
  EXPECT_EQ(Get("/access.log").status, 404);
  // A settings file replaced by renaming another over it is private within a second.
  WriteFile("new.ini", "[RUZ]\r\npassword=x\r\n");
  fs::rename(HomePath("new.ini"), HomePath("ruz.ini"));
  const auto replaced = std::chrono::steady_clock::now();
  while (Get("/ruz.ini").status != 404 &&
         std::chrono::steady_clock::now() - replaced < std::chrono::seconds(5)) {
  }
  EXPECT_LT(std::chrono::steady_clock::now() - replaced, std::chrono::milliseconds(1500));
  EXPECT_EQ(Get("/www/link.ini").status, 404);
}

TEST_F(RequestSafetyTest, ClientTextCannotForgeALogLine) {
  WriteFile("www/日本.txt", "jp");
  StartServer();
  const std::string forged = "evil\" 200 99999 \"http://forged\" \"Mozilla\x1b[31m\\";
  EXPECT_EQ(Get("/%E6%97%A5%E6%9C%AC.txt",
                "User-Agent: " + forged + "\r\nReferer: " + forged + "\r\n").status,
            200);
  EXPECT_EQ(Get("/a\"b").status, 404);
  ASSERT_EQ(StopServer(), 0);
  // Every line parses as the Combined format, and the escapes are there.
  const std::regex combined(
      R"re(\S+ - - \[[^\]]+\] "((?:[^"\\]|\\.)*)" \d{3} \d+ "((?:[^"\\]|\\.)*)" "((?:[^"\\]|\\.)*)"\r)re");
  std::istringstream lines(Log());
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    EXPECT_TRUE(std::regex_match(line, combined)) << line;
    EXPECT_EQ(line.find('\x1b'), std::string::npos);
  }
  EXPECT_EQ(count, 2);
  const std::string log = Cp932ToUtf8(Log());
  EXPECT_NE(log.find("GET /%E6%97%A5%E6%9C%AC.txt HTTP/1.1"), std::string::npos);
  EXPECT_NE(log.find(R"("evil\" 200 99999 \"http://forged\" \"Mozilla\x1B[31m\\")"), std::string::npos)
      << log;
  EXPECT_NE(log.find(R"("GET /a\"b HTTP/1.1")"), std::string::npos) << log;
}

TEST_F(RequestSafetyTest, RowAndLogShowTheStatusACgiProgramSent) {
  WriteFile("www/moved.cgi", "printf 'Status: 302 Found\\nLocation: /index.html\\n\\n'");
  SetKey("logformat", "%url% %responsecode% %responsetext%");
  StartServer();
  const HttpResponse r = Get("/moved.cgi");
  EXPECT_EQ(r.statusLine, "HTTP/1.1 302 Found");
  EXPECT_EQ(RowFor("/moved.cgi")[5], "302 Found");
  ASSERT_EQ(StopServer(), 0);
  EXPECT_EQ(Log(), "/moved.cgi 302 Found\r\n");
}

TEST_F(RequestSafetyTest, CgiProgramsGetExactlyTheStatedBody) {
  WriteFile("www/count.cgi", "printf 'Content-Type: text/plain\\n\\n'; wc -c | tr -d ' '");
  SetKey("connecttimeout", "1000");
  StartServer();
  const std::string body(2 * 1024 * 1024, 'b');
  const std::string post = "POST /count.cgi HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\n";
  // Without Expect, and with bytes beyond the stated length that are not passed on.
  EXPECT_EQ(Request(post + "\r\n" + body + "extra").body, std::to_string(body.size()) + "\n");

  // With Expect: 100-continue the body is sent only once the server asks for it.
  Client waiting;
  ASSERT_TRUE(waiting.Connect(Port()));
  ASSERT_TRUE(waiting.Send(post + "Expect: 100-continue\r\n\r\n"));
  bool closed = false;
  std::string interim;
  while (interim.find("\r\n\r\n") == std::string::npos && !closed)
    interim += waiting.ReadAll(200, closed);
  EXPECT_EQ(interim, "HTTP/1.1 100 Continue\r\n\r\n");
  ASSERT_TRUE(waiting.Send(body));
  const HttpResponse counted = waiting.ReadResponse();
  EXPECT_EQ(counted.status, 200);
  EXPECT_EQ(counted.body, std::to_string(body.size()) + "\n");

  // A chunked body has no length to pass on.
  EXPECT_EQ(Request("POST /count.cgi HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n")
                .status,
            411);

  // A body that trickles is cut off at connecttimeout.
  Client trickle;
  ASSERT_TRUE(trickle.Connect(Port()));
  ASSERT_TRUE(trickle.Send("POST /count.cgi HTTP/1.1\r\nContent-Length: 100\r\n\r\n"));
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 40 && trickle.Send("x") && trickle.StaysOpenSilently(100); ++i) {
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_EQ(RowFor("/count.cgi", 4)[2], "相手側で切断");
}

TEST_F(RequestSafetyTest, SsiPagesEscapeWhatTheyEchoAndCarryTheirType) {
  WriteFile("www/echo.shtml",
            "[<!--#echo var=\"QUERY_STRING_UNESCAPED\" -->]"
            "[<!--#echo encoding=\"none\" var=\"QUERY_STRING_UNESCAPED\" -->]"
            "[<!--#echo encoding=\"entity\" var=\"QUERY_STRING_UNESCAPED\" -->]");
  AddSections("[mime0]\r\nextension=.shtml\r\nmimetype=text/html\r\n");
  StartServer();
  const HttpResponse r = Get("/echo.shtml?%3Cscript%3E'&%22");
  EXPECT_EQ(r.Header("Content-Type"), "text/html");
  EXPECT_EQ(r.body,
            "[&lt;script&gt;&#39;&amp;&quot;][<script>'&\"][&lt;script&gt;&#39;&amp;&quot;]");
}

}  // namespace
}  // namespace ruz::test
