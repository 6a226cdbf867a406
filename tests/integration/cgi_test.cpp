// CGI through the real server: rule choice, environment, header handling,
// time-outs, request bodies, failed launches and clean-up after many runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "integration/harness.h"

namespace ruz::test {
namespace {

namespace fs = std::filesystem;

// Prints the whole environment block in order, one entry a line.
constexpr const char *kEnvScript =
    "import sys\n"
    "sys.stdout.buffer.write(b'Content-Type: text/plain\\n\\n')\n"
    "sys.stdout.buffer.write(open('/proc/self/environ', 'rb').read().replace(b'\\0', b'\\n'))\n";

// Prints its arguments, one a line.
constexpr const char *kArgsScript =
    "import sys\n"
    "print('Content-Type: text/plain')\n"
    "print()\n"
    "for a in sys.argv[1:]: print(a)\n";

// Echoes the request body with its length.
constexpr const char *kEchoScript =
    "import sys, os\n"
    "body = sys.stdin.buffer.read()\n"
    "sys.stdout.buffer.write(b'Content-Type: text/plain\\n\\n')\n"
    "sys.stdout.buffer.write(os.environ['REQUEST_METHOD'].encode() + b' ' + body)\n";

class CgiTest : public ServerTest {
 protected:
  CgiTest() {
    SetKey("running", "1");
    SetKey("processtimeout", "20000");
  }

  // cgiN with the extension list, file header and command line (ini text).
  void AddRule(int n, const std::string &extension, const std::string &fileheader,
               const std::string &cmdline) {
    AddSections("[cgi" + std::to_string(n) + "]\nextension=" + extension +
                "\nfileheader=" + fileheader + "\ncmdline=" + cmdline + "\n");
  }

  void WriteScript(const std::string &relativePath, const std::string &content) {
    WriteFile(relativePath, content);
    fs::permissions(HomePath(relativePath), fs::perms::owner_all, fs::perm_options::add);
  }

  // Lines of a body, without the empty text after a final line break.
  static std::vector<std::string> Lines(const std::string &body) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = body.find('\n', start)) != std::string::npos; start = nl + 1)
      lines.push_back(body.substr(start, nl - start));
    if (start < body.size()) lines.push_back(body.substr(start));
    return lines;
  }

  // Waits (at most 10 s) until the access log holds text: the response cell is
  // shown before the log line is written.
  bool LogHas(const std::string &text) {
    for (int i = 0; i < 1000; ++i) {
      if (Log().find(text) != std::string::npos) return true;
      ::usleep(10000);
    }
    return false;
  }

  // The status text and response cell of the request for target, once at least
  // rows requests have finished (rows appear after the response, in any order).
  std::pair<std::string, std::string> Outcome(std::size_t rows, const std::string &target) {
    for (const std::vector<std::string> &row : Rows(rows))
      if (row.at(4) == target) return {row.at(2), row.at(5)};
    return {"no row for " + target, ""};
  }
};

TEST_F(CgiTest, RuleChoiceFollowsExtensionFileHeaderAndOrder) {
  AddRule(0, ".cgi", "", "sh %filepath% first");
  AddRule(1, ".cgi", "#!", "sh %filepath% second");
  const std::string script = "#!/bin/sh\nprintf 'Content-Type: text/plain\\n\\n%s' \"$1\"\n";
  WriteFile("www/hash.cgi", script);
  WriteFile("www/plain.cgi", script.substr(2));
  WriteFile("www/upper.CGI", script);
  WriteFile("www/static/skip.cgi", script);
  SetKey("nocgissi", "/static/*");
  fs::create_symlink("/proc/self/mem", HomePath("www/unreadable.cgi"));
  StartServer();

  EXPECT_EQ(Get("/hash.cgi").body, "second");
  EXPECT_EQ(Get("/plain.cgi").body, "first");
  EXPECT_EQ(Get("/upper.CGI").body, script);  // served as a file
  EXPECT_EQ(Get("/static/skip.cgi").body, script);
  const HttpResponse unreadable = Get("/unreadable.cgi");
  EXPECT_EQ(unreadable.status, 500);
  EXPECT_EQ(
      Outcome(5, "/unreadable.cgi"),
      (std::pair<std::string, std::string>{"ファイルオープンエラー", "500 Internal Server Error"}));
}

TEST_F(CgiTest, EnvironmentHoldsTheVariablesInOrderAfterTheInheritedOnes) {
  AddRule(0, ".py", "", "/usr/bin/python3 %filepath%");
  WriteFile("www/cgi-bin/env.py", kEnvScript);
  ::setenv("QUERY_STRING", "inherited", 1);
  StartServer();
  ::unsetenv("QUERY_STRING");

  const HttpResponse response =
      Get("/cgi-bin/env.py?x=1&y=%41", "User-Agent: tester\r\nAccept: text/*\r\n");
  ASSERT_EQ(response.status, 200) << response.raw;
  const std::vector<std::string> lines = Lines(response.body);
  const auto cgi = std::find(lines.begin(), lines.end(), "REMOTE_ADDR=127.0.0.1");
  ASSERT_NE(cgi, lines.end()) << response.body;
  const auto inherited = std::find(lines.begin(), lines.end(), "QUERY_STRING=inherited");
  EXPECT_LT(inherited, cgi);
  const std::string www = fs::canonical(HomePath("www")).string();
  const std::vector<std::string> expected = {
      "REMOTE_ADDR=127.0.0.1",
      "REMOTE_HOST=127.0.0.1",
      "REMOTE_PORT=",  // checked by prefix below
      "QUERY_STRING=x=1&y=%41",
      "HTTP_USER_AGENT=tester",
      "REQUEST_METHOD=GET",
      "HTTP_ACCEPT=text/*",
      "HTTP_HOST=",  // prefix
      "SCRIPT_NAME=/cgi-bin/env.py",
      "SCRIPT_FILENAME=" + www + "/cgi-bin/env.py",
      "PATH_INFO=/cgi-bin/env.py",
      "PATH_TRANSLATED=" + www + "/cgi-bin/env.py",
      "HTTP_ACCEPT_ENCODING=",
      "HTTP_ACCEPT_LANGUAGE=",
      "CONTENT_LENGTH=",
      "HTTP_COOKIE=",
      "SERVER_NAME=testhost",
      "SERVER_PORT=0",
      "SERVER_SOFTWARE=Ruzo'sWebserver/1.0",
      "GATEWAY_INTERFACE=CGI/1.1",
      "CONTENT_TYPE=",
      "HTTP_REFERER=",
  };
  ASSERT_EQ(lines.end() - cgi, static_cast<long>(expected.size())) << response.body;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const std::string &line = cgi[static_cast<long>(i)];
    if (i == 2 || i == 7) {
      EXPECT_EQ(line.rfind(expected[i], 0), 0u) << line;
      EXPECT_GT(line.size(), expected[i].size()) << line;
    } else {
      EXPECT_EQ(line, expected[i]);
    }
  }
}

TEST_F(CgiTest, RemoteHostIsLeftOutForAnUnknownDnsopt) {
  AddRule(0, ".py", "", "/usr/bin/python3 %filepath%");
  WriteFile("www/env.py", kEnvScript);
  SetKey("dnsopt", "3");
  StartServer();
  const HttpResponse response = Get("/env.py");
  EXPECT_EQ(response.status, 200);
  EXPECT_NE(response.body.find("\nREMOTE_ADDR=127.0.0.1\nREMOTE_PORT="), std::string::npos)
      << response.body;
  EXPECT_EQ(response.body.find("REMOTE_HOST="), std::string::npos);
}

TEST_F(CgiTest, ArgumentsKeepTheirPercentSignsDoubledAndTheirBoundaries) {
  // The ini reader removes one pair of enclosing quotes, hence the outer pair.
  AddRule(0, ".py", "", "\"/usr/bin/python3 \"%filepath%\" \"%query%\" end\"");
  WriteFile("www/args.py", kArgsScript);
  StartServer();
  EXPECT_EQ(Lines(Get("/args.py?a%20b").body), (std::vector<std::string>{"a%%20b", "end"}));
  EXPECT_EQ(Lines(Get("/args.py?a\"%20\"b%22c").body),
            (std::vector<std::string>{"a\"%%20\"b%%22c", "end"}));
}

TEST_F(CgiTest, ScriptWithItsOwnInterpreterLineRunsDirectly) {
  AddRule(0, ".cgi", "", "%filepath% %query%");
  WriteScript("www/direct.cgi", "#!/bin/sh\nprintf 'Content-Type: text/plain\\n\\n[%s]' \"$1\"\n");
  StartServer();
  const HttpResponse response = Get("/direct.cgi?q");
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.body, "[q]");
}

TEST_F(CgiTest, StatusLineAndHeaderLinesAreMerged) {
  AddRule(0, ".cgi", "", "sh %filepath%");
  WriteFile("www/redirect.cgi", "printf 'Status: 302 Found\\nLocation: /y\\n\\n'\n");
  WriteFile("www/hello.cgi", "printf 'Content-type: text/html\\n\\nHello'\n");
  StartServer();

  const HttpResponse redirect = Get("/redirect.cgi");
  EXPECT_EQ(redirect.statusLine, "HTTP/1.1 302 Found");
  EXPECT_EQ(redirect.Header("Location"), "/y");
  EXPECT_EQ(redirect.Header("Cache-Control"), "no-cache");

  const HttpResponse hello = Get("/hello.cgi");
  EXPECT_EQ(hello.statusLine, "HTTP/1.1 200 OK");
  EXPECT_EQ(hello.Header("Content-type"), "text/html");
  EXPECT_EQ(hello.CountHeader("Content-Type"), 1);
  EXPECT_EQ(hello.Header("Pragma"), "no-cache");
  EXPECT_EQ(hello.Header("Connection"), "Close");
  EXPECT_EQ(hello.body, "Hello");
  EXPECT_TRUE(LogHas("\"GET /hello.cgi HTTP/1.1\" 200 5 ")) << Log();
}

TEST_F(CgiTest, HeaderBlockOf1025BytesIsAcceptedAnd1026IsNot) {
  AddRule(0, ".cgi", "", "cat %query%");
  const std::string body = "body";
  WriteFile("www/h1025", "X: " + std::string(1020, 'a') + "\n\n" + body);
  WriteFile("www/h1026", "X: " + std::string(1021, 'a') + "\n\n" + body);
  WriteFile("www/cat.cgi", "");
  StartServer();

  const HttpResponse ok = Get("/cat.cgi?h1025");
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(ok.body, body);
  const HttpResponse bad = Get("/cat.cgi?h1026");
  EXPECT_EQ(bad.status, 500);
  EXPECT_EQ(Outcome(2, "/cat.cgi?h1026").first, "CGI出力ヘッダが不正です");
}

TEST_F(CgiTest, TimeOutInTheHeaderPhaseAnswers500) {
  SetKey("processtimeout", "300");
  AddRule(0, ".cgi", "", "sh %filepath%");
  WriteFile("www/slow.cgi", "sleep 30\n");
  StartServer();
  const HttpResponse response = Get("/slow.cgi");
  EXPECT_EQ(response.status, 500);
  EXPECT_EQ(Outcome(1, "/slow.cgi"),
            (std::pair<std::string, std::string>{"CGIプロセス実行タイムアウト",
                                                 "500 Internal Server Error"}));
}

TEST_F(CgiTest, TimeOutInTheRelayPhaseClosesAfterThePartialOutput) {
  SetKey("processtimeout", "1000");
  AddRule(0, ".cgi", "", "sh %filepath%");
  WriteFile("www/stall.cgi", "printf 'Content-Type: text/plain\\n\\npartial'\nexec sleep 30\n");
  StartServer();
  const HttpResponse response = Get("/stall.cgi");
  EXPECT_TRUE(response.closed);
  EXPECT_EQ(response.status, 200);  // the program's header had gone out
  EXPECT_EQ(response.body, "partial");
  EXPECT_EQ(Outcome(1, "/stall.cgi").first, "CGIプロセス実行タイムアウト");
  EXPECT_TRUE(LogHas("\"GET /stall.cgi HTTP/1.1\" 500 7 ")) << Log();
}

TEST_F(CgiTest, PostBodyIsPassedOnAndHeadRunsWithoutABody) {
  AddRule(0, ".py", "", "/usr/bin/python3 %filepath%");
  WriteFile("www/echo.py", kEchoScript);
  StartServer();
  const std::string body = "name=" + std::string(100000, 'v');
  const HttpResponse post = Request(
      "POST /echo.py HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-"
      "urlencoded\r\nContent-Length: " +
      std::to_string(body.size()) + "\r\n\r\n" + body);
  EXPECT_EQ(post.status, 200);
  EXPECT_EQ(post.body, "POST " + body);
  const HttpResponse head = Request(GetRequest("/echo.py", "", "HEAD"));
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.body, "");  // the program ran, its body is not sent
}

TEST_F(CgiTest, ClientClosingDuringTheBodyEndsTheRun) {
  AddRule(0, ".py", "", "/usr/bin/python3 %filepath%");
  WriteFile("www/echo.py", kEchoScript);
  StartServer();
  Client client;
  ASSERT_TRUE(client.Connect(Port()));
  ASSERT_TRUE(client.Send("POST /echo.py HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\nabc"));
  client.ShutdownSend();
  bool closed = false;
  EXPECT_EQ(client.ReadAll(10000, closed).find("HTTP/1.1 200"), std::string::npos);
  EXPECT_TRUE(closed);
  EXPECT_EQ(Outcome(1, "/echo.py"),
            (std::pair<std::string, std::string>{"相手側で切断", "500 Internal Server Error"}));
}

TEST_F(CgiTest, ProgramThatCannotStartAnswers500) {
  AddRule(0, ".cgi", "", "/nonexistent/interpreter %filepath%");
  AddRule(1, ".nil", "", "");
  WriteFile("www/a.cgi", "");
  WriteFile("www/a.nil", "");
  StartServer();
  EXPECT_EQ(Get("/a.cgi").status, 500);
  EXPECT_EQ(Outcome(1, "/a.cgi").first, "CGIプロセス実行失敗");
  EXPECT_EQ(Get("/a.nil").status, 500);
  EXPECT_EQ(Outcome(2, "/a.nil").first, "CGIプロセス実行失敗");
}

int CountEntries(const std::string &dir) {
  int count = 0;
  for (const auto &entry : fs::directory_iterator(dir)) {
    (void)entry;
    ++count;
  }
  return count;
}

// Children of every thread of the process, as /proc lists them.
std::string ChildrenOf(pid_t pid) {
  std::string all;
  for (const auto &task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
    std::ifstream in(task.path() / "children");
    std::string ids;
    std::getline(in, ids);
    all += ids;
  }
  return all;
}

TEST_F(CgiTest, ManyRunsLeaveNoZombiesAndNoDescriptors) {
  SetKey("processtimeout", "1000");
  AddRule(0, ".cgi", "", "sh %filepath%");
  WriteFile("www/ok.cgi", "printf 'A: b\\n\\nok'\n");
  WriteFile("www/slow.cgi", "sleep 30 & sleep 30\n");
  StartServer();
  const std::string fdDir = "/proc/" + std::to_string(Server().Pid()) + "/fd";
  ASSERT_EQ(Get("/ok.cgi").body, "ok");
  Rows(1);  // the first connection is closed
  const int before = CountEntries(fdDir);
  // Eight runs time out side by side while others finish normally.
  std::vector<std::thread> slow;
  std::vector<int> slowStatus(8);
  for (int &status : slowStatus) slow.emplace_back([&] { status = Get("/slow.cgi").status; });
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Get("/ok.cgi").status, 200);
  for (std::thread &t : slow) t.join();
  EXPECT_EQ(slowStatus, std::vector<int>(8, 500));
  Rows(19);
  // The log file is opened for each line, after the row is shown: allow it to close.
  for (int i = 0; i < 500 && CountEntries(fdDir) != before; ++i) ::usleep(10000);
  EXPECT_EQ(CountEntries(fdDir), before);
  EXPECT_EQ(ChildrenOf(Server().Pid()), "");
}

}  // namespace
}  // namespace ruz::test
