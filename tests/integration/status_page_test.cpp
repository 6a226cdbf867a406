// The live status page end to end: who is admitted, what it holds, and that
// its requests are rows and log lines like any other.
#include <cstdio>
#include <fstream>

#include "integration/harness.h"

namespace ruz::test {
namespace {

class StatusPageTest : public ServerTest {
 protected:
  void SetUp() override {
    WriteFile("www/index.html", "<html>top</html>");
    SetKey("statuspath", "/server-status");
  }
};

class StatusPageAuthTest : public StatusPageTest {
 protected:
  void SetUp() override {
    StatusPageTest::SetUp();
    SetKey("auth", "1");
    AddSections("[user0]\r\nname=alice\r\npassword=pw\r\n"
                "[auth0]\r\nname=Watch\r\npath=/server-status\r\nuser=alice\r\n");
  }
  const std::string alice = "Authorization: Basic YWxpY2U6cHc=\r\n";
};

// The default client list is this computer; the path's Basic rule applies on top.
TEST_F(StatusPageAuthTest, IsShownToThisComputerWithTheCredentialsOfItsBasicRule) {
  StartServer();
  EXPECT_EQ(Get("/server-status").status, 401);
  HttpResponse r = Get("/server-status", alice);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.Header("Content-Type"), "text/html; charset=Shift_JIS");
  EXPECT_NE(r.body.find("http-equiv=\"refresh\""), std::string::npos);
  EXPECT_EQ(Get("/server-status/other").status, 404);  // only the exact path
}

TEST_F(StatusPageAuthTest, IsRefusedToClientsOutsideItsListWhateverTheirCredentials) {
  SetKey("statusallow", "192.0.2.*,10.*");
  StartServer();
  EXPECT_EQ(Get("/server-status", alice).status, 403);
  EXPECT_EQ(RowFor("/server-status")[2], "アクセス拒否");
}

// Parses the document with Python's json module and prints the fields asked for.
std::string ReadJsonFields(const std::string &path, const std::string &expression) {
  const std::string command = "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); "
                              "print(" + expression + ")' " + path + " 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "";
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  pclose(pipe);
  return out;
}

TEST_F(StatusPageTest, JsonHoldsTheStateTheFiguresAndTheRowsNewestFirst) {
  if (std::system("python3 -c pass 2>/dev/null") != 0) GTEST_SKIP() << "python3 missing";
  SetKey("maxconnect", "8");
  StartServer();
  ASSERT_EQ(Get("/index.html").status, 200);
  ASSERT_EQ(Get("/missing.html").status, 404);
  RowFor("/missing.html");  // both rows finished before the page is read
  HttpResponse r = Get("/server-status?json");
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(r.Header("Content-Type"), "application/json; charset=utf-8");
  WriteFile("status.json", r.body);
  const std::string fields = ReadJsonFields(
      HomePath("status.json"),
      "d[\"port\"], d[\"connections\"], d[\"maxConnections\"], d[\"traffic\"][\"statusClasses\"][\"2xx\"], "
      "d[\"traffic\"][\"statusClasses\"][\"4xx\"], d[\"traffic\"][\"topPaths\"][0][\"count\"], "
      "d[\"traffic\"][\"topClients\"][0][\"text\"], d[\"rows\"][0][\"path\"], d[\"rows\"][1][\"path\"], "
      "d[\"rows\"][2][\"response\"]");
  EXPECT_EQ(fields, std::to_string(Port()) +
                        " 1 8 1 1 1 127.0.0.1 /server-status?json /missing.html 200 OK\n");
  // The page's own request is a row and a log line like any other.
  EXPECT_EQ(RowFor("/server-status?json")[5], "200 OK");
}

}  // namespace
}  // namespace ruz::test
