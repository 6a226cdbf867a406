// Server-side includes through the real server: which documents are processed,
// the response they get, every directive with the live server's state, time
// zones, exec with and without ssinoexeccmd, and the ways a document ends.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <thread>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "integration/harness.h"

namespace ruz::test {
namespace {

constexpr const char *kOk = "正常終了";

class SsiTest : public ServerTest {
 protected:
  SsiTest() {
    SetKey("ssi", "1");
    SetKey("ssiexts", ".shtml,.ssi");
    SetKey("processtimeout", "20000");
  }

  void TearDown() override {
    ServerTest::TearDown();
    if (restoreTz_) {
      if (oldTz_.empty()) ::unsetenv("TZ"); else ::setenv("TZ", oldTz_.c_str(), 1);
    }
  }

  // The server started with this time zone in its environment.
  void StartServerInZone(const char *tz) {
    const char *old = std::getenv("TZ");
    oldTz_ = old != nullptr ? old : "";
    restoreTz_ = true;
    ::setenv("TZ", tz, 1);
    StartServer();
  }

  void SetMtime(const std::string &relativePath, long seconds) {
    const utimbuf times{seconds, seconds};
    ASSERT_EQ(::utime(HomePath(relativePath).c_str(), &times), 0);
  }

  // The access log once it holds needle: the row is printed before the log line
  // is written, so the line may lag a moment behind it.
  std::string LogHolding(const std::string &needle) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string log = Log();
    while (log.find(needle) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      log = Log();
    }
    return log;
  }

  // The status text and response cell of the last finished request.
  std::pair<std::string, std::string> Outcome(std::size_t rows) {
    const std::vector<std::string> row = LastRow(rows);
    return {row.at(2), row.at(5)};
  }

 private:
  std::string oldTz_;
  bool restoreTz_ = false;
};

TEST_F(SsiTest, DocumentGetsTheNoCacheHeaderOnlyAndItsProcessedText) {
  WriteFile("www/page.shtml", "a<!--#echo var=\"QUERY_STRING\" -->b\n");
  StartServer();

  const HttpResponse response = Get("/page.shtml?x=1");
  EXPECT_EQ(response.statusLine, "HTTP/1.1 200 OK");
  EXPECT_EQ(response.body, "ax=1b\n");
  ASSERT_GE(response.headers.size(), 2u);
  const auto &last = response.headers;
  EXPECT_EQ(last[last.size() - 2], (std::pair<std::string, std::string>{"Pragma", "no-cache"}));
  EXPECT_EQ(last.back(), (std::pair<std::string, std::string>{"Cache-Control", "no-cache"}));
  // The type comes from the extension, as a static file's does (here: defmime).
  EXPECT_EQ(response.Header("Content-Type"), "application/octet-stream");
  EXPECT_FALSE(response.HasHeader("Content-Length"));
  EXPECT_FALSE(response.HasHeader("Last-Modified"));
  EXPECT_EQ(Outcome(1), (std::pair<std::string, std::string>{kOk, "200 OK"}));
  const std::string line = "\"GET /page.shtml?x=1 HTTP/1.1\" 200 6 ";
  EXPECT_NE(LogHolding(line).find(line), std::string::npos) << Log();

  // HEAD gets the header only.
  const HttpResponse head = Request(GetRequest("/page.shtml?y", "", "HEAD"));
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.body, "");
}

TEST_F(SsiTest, OnlyExactExtensionsOutsideNocgissiAreProcessed) {
  const std::string text = "<!--#echo var=\"DOCUMENT_NAME\" -->";
  WriteFile("www/a.shtml", text);
  WriteFile("www/b.ssi", text);
  WriteFile("www/c.SHTML", text);
  WriteFile("www/d.html", text);
  WriteFile("www/static/e.shtml", text);
  SetKey("nocgissi", "/static/*");
  StartServer();

  EXPECT_EQ(Get("/a.shtml").body, "a.shtml");
  EXPECT_EQ(Get("/b.ssi").body, "b.ssi");
  for (const char *path : {"/c.SHTML", "/d.html", "/static/e.shtml"}) {
    const HttpResponse response = Get(path);
    EXPECT_EQ(response.body, text) << path;
    EXPECT_TRUE(response.HasHeader("Content-Length")) << path;
  }
}

class SsiTextEndTest : public SsiTest {
 protected:
  SsiTextEndTest() {
    for (int i = 0; i < 10; ++i) hundred_ += "0123456789";
    std::string zero = hundred_;
    zero[50] = '\0';
    WriteFile("www/zero.shtml", zero);
    WriteFile("www/hundred.shtml", hundred_);
    WriteFile("www/unclosed.shtml", "a<!--#echo var=\"QUERY_STRING\" b");
  }
  std::string hundred_;
};

TEST_F(SsiTextEndTest, SizeLimitCutsTheDocument) {
  SetKey("ssisizelimit", "10");
  StartServer();
  EXPECT_EQ(Get("/hundred.shtml").body, "0123456789");
}

TEST_F(SsiTextEndTest, ZeroByteOrUnclosedDirectiveEndsTheDocument) {
  SetKey("ssisizelimit", "0");
  StartServer();
  EXPECT_EQ(Get("/hundred.shtml").body, hundred_);
  EXPECT_EQ(Get("/zero.shtml").body, hundred_.substr(0, 50));
  EXPECT_EQ(Get("/unclosed.shtml?q").body, "a");
  EXPECT_EQ(Outcome(3), (std::pair<std::string, std::string>{kOk, "200 OK"}));
}

TEST_F(SsiTest, UnreadableDocumentEndsWith500AfterThe200Header) {
  // An index candidate may be a directory: it exists, but holds no text.
  MakeDir("www/dir/index.shtml");
  SetKey("index", "index.shtml");
  StartServer();

  const HttpResponse response = Get("/dir/");
  EXPECT_EQ(response.statusLine, "HTTP/1.1 200 OK");
  EXPECT_EQ(response.Header("Pragma"), "no-cache");
  EXPECT_EQ(Outcome(1).first, "ファイルオープンエラー");
  EXPECT_EQ(Outcome(1).second.substr(0, 3), "500");
}

TEST_F(SsiTest, ClientThatGoesAwayEndsTheDocumentWith500) {
  // Far more than the socket buffers hold, so the server is still sending when
  // the client closes without reading.
  WriteFile("www/big.shtml", std::string(32 << 20, 'x'));
  SetKey("ssisizelimit", "0");
  StartServer();

  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  // A small fixed receive buffer: no autotuning can make room for the document.
  const int small = 4096;
  ASSERT_EQ(::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small), 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(Port());
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  const std::string request = GetRequest("/big.shtml");
  ASSERT_EQ(::send(fd, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
  char first[16];
  ASSERT_GT(::recv(fd, first, sizeof first, 0), 0);  // the answer has begun
  ::close(fd);  // unread data: the close resets the connection
  EXPECT_EQ(Outcome(1).first, "相手側で切断");
  EXPECT_EQ(Outcome(1).second.substr(0, 3), "500") << LogHolding("HTTP");
}

TEST_F(SsiTest, EchoShowsTheRequestsVariablesButNotTheServersEnvironment) {
  WriteFile("www/sub/vars.shtml",
            "<!--#echo var=\"DOCUMENT_NAME\" -->|<!--#echo var=\"document_uri\" -->|"
            "<!--#echo var=\"QUERY_STRING_UNESCAPED\" -->|<!--#echo var=\"QUERY_STRING\" -->|"
            "<!--#echo var=\"HTTP_USER_AGENT\" -->|<!--#echo var=\"SERVER_SOFTWARE\" -->|"
            "<!--#echo var=\"RUZ_SSI_MARKER\" -->|<!--#echo var=\"NO_SUCH\" -->.");
  ::setenv("RUZ_SSI_MARKER", "leaked", 1);
  StartServer();
  ::unsetenv("RUZ_SSI_MARKER");

  EXPECT_EQ(Get("/sub/vars.shtml?a+b%21", "User-Agent: tester\r\n").body,
            "vars.shtml|/sub/vars.shtml|a b!|a+b%21|tester|Ruzo&#39;sWebserver/1.0||.");
}

TEST_F(SsiTest, PrintenvListsTheCgiVariablesThenWhatSetAndEchoAdded) {
  WriteFile("www/env.shtml",
            "<!--#printenv -->--\r\n<!--#set var=\"MINE\" value=\"1\" --><!--#set value=\"v\" -->"
            "<!--#echo var=\"MINE\" -->\r\n--\r\n<!--#printenv -->");
  StartServer();

  const std::string body = Get("/env.shtml").body;
  const std::size_t first = body.find("--\r\n");
  const std::size_t second = body.find("--\r\n", first + 4);
  ASSERT_NE(second, std::string::npos) << body;
  const std::string before = body.substr(0, first);
  const std::string after = body.substr(second + 4);
  EXPECT_EQ(before.rfind("REMOTE_ADDR=127.0.0.1\r\nREMOTE_HOST=127.0.0.1\r\nREMOTE_PORT=", 0), 0u)
      << before;
  EXPECT_NE(before.find("\r\nCONTENT_TYPE=\r\nHTTP_REFERER=\r\n"), std::string::npos) << before;
  EXPECT_EQ(after.substr(0, before.size()), before);
  const std::string added = after.substr(before.size());
  const std::vector<std::string> names = {"MINE=1", "=v", "DOCUMENT_NAME=env.shtml",
                                          "DOCUMENT_URI=/env.shtml", "QUERY_STRING_UNESCAPED=",
                                          "DATE_LOCAL=", "DATE_GMT=", "LAST_MODIFIED="};
  std::size_t at = 0;
  for (const std::string &name : names) {
    EXPECT_EQ(added.compare(at, name.size(), name), 0) << name << " in\n" << added;
    at = added.find("\r\n", at);
    ASSERT_NE(at, std::string::npos) << added;
    at += 2;
  }
  EXPECT_EQ(at, added.size()) << added;
}

TEST_F(SsiTest, TimesAreLocalOrUtcAsEachVariableSays) {
  WriteFile("www/times.shtml",
            "<!--#config timefmt=\"%H\" --><!--#echo var=\"DATE_LOCAL\" --> "
            "<!--#echo var=\"DATE_GMT\" -->\n"
            "<!--#config timefmt=\"%Y-%m-%d %H:%M:%S\" --><!--#echo var=\"LAST_MODIFIED\" -->\n"
            "<!--#flastmod file=\"times.shtml\" -->\n"
            "<!--#config timefmt=\"%c\" --><!--#flastmod virtual=\"/times.shtml\" -->\n");
  SetMtime("www/times.shtml", 1765029909);  // 2025-12-06 14:05:09 UTC
  StartServerInZone("Asia/Tokyo");          // UTC+9 all year

  const std::string body = Get("/times.shtml").body;
  const int local = std::atoi(body.substr(0, 2).c_str());
  const int utc = std::atoi(body.substr(3, 2).c_str());
  // DATE_LOCAL is read first: an hour may turn over before DATE_GMT is read.
  EXPECT_TRUE(local == (utc + 9) % 24 || local == (utc + 8) % 24) << body;
  EXPECT_EQ(body.substr(6),
            "2025-12-06 14:05:09\n2025-12-06 14:05:09\n12/06/25 14:05:09\n");
}

TEST_F(SsiTest, FileDirectivesResolveVirtualAndFilePaths) {
  WriteFile("www/docs/page.shtml",
            "<!--#config sizefmt=\"bytes\" -->"
            "<!--#fsize file=\"../data/n.bin\" -->,<!--#fsize virtual=\"/data/n.bin\" -->,"
            "<!--#fsize virtual=\"/a/n.bin\" -->,<!--#fsize file=\"missing\" -->,"
            "<!--#config sizefmt=\"abbrev\" --><!--#fsize virtual=\"/data/n.bin\" -->\n"
            "<!--#include file=\"part.html\" --><!--#include virtual=\"/docs/part.html\" -->"
            "<!--#include file=\"none.html\" -->end");
  WriteFile("www/data/n.bin", std::string(1330, 'n'));
  WriteFile("outside/n.bin", std::string(7, 'o'));
  WriteFile("www/docs/part.html", "[<!--#echo var=\"DATE_GMT\" -->]");
  SetKey("alias", "1");
  AddSections("[alias0]\nlocalpath=outside\nserverpath=/a\n");
  StartServer();

  EXPECT_EQ(Get("/docs/page.shtml").body,
            ",1330,7,,1.29 KB\n"  // a file above the document's folder is refused
            "[<!--#echo var=\"DATE_GMT\" -->][<!--#echo var=\"DATE_GMT\" -->]end");
}

class SsiExecTest : public SsiTest {
 protected:
  SsiExecTest() {
    WriteFile("www/sub/page.shtml",
              "<!--#set var=\"MINE\" value=\"m\" -->"
              "[<!--#exec cmd=\"printf '%s %s %s' $MINE $QUERY_STRING ${HOME:-nohome}; pwd\" -->]"
              "[<!--#exec cgi=\"bin/x.cgi\" -->]"
              "[<!--#exec cgi=\"../x.cgi\" -->]"
              "[<!--#exec cgi=\"bin/plain.txt\" -->]");
    WriteFile("www/sub/bin/x.cgi",
              "printf 'Content-Type: text/plain\\r\\nX-Dropped: 1\\r\\n\\r\\ncgi %s %s' "
              "\"$MINE\" \"$QUERY_STRING\"\n");
    WriteFile("www/sub/bin/plain.txt", "printf 'no rule'\n");
    WriteFile("www/x.cgi", "printf 'Content-Type: text/plain\\n\\noutside'\n");
    AddSections("[cgi0]\nextension=.cgi\nfileheader=\ncmdline=sh %filepath%\n");
  }
};

TEST_F(SsiExecTest, CommandsAndCgiProgramsRunWithTheDocumentsVariables) {
  StartServer();
  const std::string body = Get("/sub/page.shtml?q=1").body;
  const std::string dir = std::filesystem::canonical(HomePath("www/sub")).string();
  EXPECT_EQ(body, "[m q=1 nohome" + dir + "\n][cgi m q=1][][]");
  EXPECT_EQ(Outcome(1), (std::pair<std::string, std::string>{kOk, "200 OK"}));
}

TEST_F(SsiExecTest, NoExecCmdRefusesCommandsButNotCgiPrograms) {
  SetKey("ssinoexeccmd", "1");
  StartServer();
  EXPECT_EQ(Get("/sub/page.shtml?q=2").body, "[][cgi m q=2][][]");
}

}  // namespace
}  // namespace ruz::test
