// Starting and stopping the headless server, time-outs, and the access log.
#include "integration/harness.h"

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace ruz::test {
namespace {

class LifecycleTest : public ServerTest {
 protected:
  void SetUp() override { WriteFile("www/index.html", "<html>top</html>"); }
};

TEST_F(LifecycleTest, PrintsTheServerLinesAndStopsCleanlyOnSigterm) {
  StartServer();
  // The root line is printed right after the port line the start waited for.
  const std::string rootLine = "ドキュメントルート: " + HomePath("www") + "\n";
  EXPECT_TRUE(Server().WaitForStderr(rootLine));
  std::string err = Server().Stderr();
  EXPECT_NE(err.find("サーバーネーム: testhost\n"), std::string::npos) << err;
  EXPECT_NE(err.find("ポート番号: " + std::to_string(Port()) + "\n"), std::string::npos);
  EXPECT_NE(err.find("ドキュメントルート: " + HomePath("www") + "\n"), std::string::npos);
  EXPECT_EQ(Get("/index.html").status, 200);
  EXPECT_EQ(StopServer(), 0);
}

TEST_F(LifecycleTest, SigintStopsTheServerToo) {
  StartServer();
  ::kill(Server().Pid(), SIGINT);
  EXPECT_EQ(Server().WaitForExit(20000), 0);
}

TEST_F(LifecycleTest, SilentClientGets408AndALogLineWithEmptyFields) {
  SetKey("connecttimeout", "300");
  StartServer();
  Client client;
  ASSERT_TRUE(client.Connect(Port()));
  HttpResponse r = client.ReadResponse();
  EXPECT_EQ(r.statusLine, "HTTP/1.1 408 Request Timeout");
  std::vector<std::string> row = RowFor("");
  EXPECT_EQ(row[2], "接続タイムアウト");
  EXPECT_EQ(row[5], "408 Request Timeout");
  ASSERT_EQ(StopServer(), 0);
  std::string log = Log();
  EXPECT_NE(log.find("127.0.0.1 - - ["), std::string::npos);
  EXPECT_NE(log.find("] \"\" 408 0 \"\" \"\"\r\n"), std::string::npos) << log;
}

TEST_F(LifecycleTest, TricklingClientCannotHoldTheHeaderPastTheTimeout) {
  SetKey("connecttimeout", "600");
  StartServer();
  Client client;
  ASSERT_TRUE(client.Connect(Port()));
  const std::string request = "GET /index.html HTTP/1.1\r\nX-Slow: " + std::string(100, 's');
  auto start = std::chrono::steady_clock::now();
  bool answered = false;
  for (char c : request) {
    // The client's own pace: one byte per 100 ms, each within the time-out.
    if (!client.Send(std::string(1, c))) break;
    if (!client.StaysOpenSilently(100)) {
      answered = true;
      break;
    }
  }
  ASSERT_TRUE(answered);
  HttpResponse r = client.ReadResponse();
  EXPECT_EQ(r.status, 408);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(LifecycleTest, LogBufferIsWrittenOutAtStop) {
  SetKey("mem", "1");
  SetKey("bufmax", "65536");
  SetKey("logformat", "%method% %url% %responsecode% %bytesd%");
  StartServer();
  EXPECT_EQ(Get("/index.html").status, 200);
  EXPECT_EQ(Get("/missing").status, 404);
  Rows(2);
  EXPECT_EQ(Log(), "");
  ASSERT_EQ(StopServer(), 0);
  std::string log = Log();
  EXPECT_NE(log.find("GET /index.html 200 16\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /missing 404 0\r\n"), std::string::npos) << log;
}

TEST_F(LifecycleTest, ALogRemovedWhileServingIsOpenedAgainWithoutLosingALine) {
  SetKey("logformat", "%url%");
  StartServer();
  ASSERT_EQ(Get("/index.html?0").status, 200);
  Rows(1);
  std::filesystem::remove(HomePath("access.log"));
  const auto removed = std::chrono::steady_clock::now();
  int sent = 0;
  while (std::chrono::steady_clock::now() - removed < std::chrono::seconds(5)) {
    ASSERT_EQ(Get("/index.html?" + std::to_string(++sent)).status, 200);
    Rows(static_cast<std::size_t>(sent) + 1);  // its line has been stored
    if (std::filesystem::exists(HomePath("access.log"))) break;
  }
  const std::string log = Log();
  for (int n = 1; n <= sent; ++n) {
    EXPECT_NE(log.find("/index.html?" + std::to_string(n) + "\r\n"), std::string::npos) << n;
  }
}

TEST_F(LifecycleTest, PortInUseEndsWithTheBindMessageAndStatus1) {
  StartServer();
  TempDir other;
  {
    std::ofstream ini(other.Path() + "/ruz.ini", std::ios::binary);
    ini << "[RUZ]\r\nport=" << Port() << "\r\nroot=www\r\nmaxconnect=4\r\n";
  }
  ServerProcess second;
  std::string error;
  EXPECT_FALSE(second.Start(other.Path(), error, 10000));
  EXPECT_NE(error.find("ソケットのバインドに失敗しました\nポート " + std::to_string(Port()) +
                       ": 他のプログラムが使用中です\n"),
            std::string::npos)
      << error;
  EXPECT_NE(error.find("exit status 1"), std::string::npos) << error;
}

TEST_F(LifecycleTest, SettingsThatCannotWorkAreReportedAndTheServerStillStarts) {
  SetKey("maxconnect", "0");
  SetKey("root", "nowhere");
  SetKey("logname", "");
  StartServer();
  const std::string err = Server().Stderr();
  const std::string expected[] = {
      "maxconnect=0 では接続を1つも受け付けられません。ruz.ini の maxconnect を 1 以上（最大 64）にしてください\n",
      "logwrite がオンですが、logname が空です（" + HomePath() + "）。通信ログは書かれません。",
      "ドキュメントルートのフォルダがありません（" + HomePath("nowhere") + "）。ruz.ini の root を直してください\n",
  };
  for (const std::string &line : expected) EXPECT_NE(err.find(line), std::string::npos) << err;
  EXPECT_LT(err.find(expected[2]), err.find("ポート番号: "));  // before the server lines
}

TEST_F(LifecycleTest, MissingIniIsReportedAndNothingIsServed) {
  TempDir empty;
  ServerProcess server;
  std::string error;
  ASSERT_TRUE(server.Start(empty.Path(), error)) << error;
  EXPECT_NE(server.Stderr().find("ruz.iniのロードに失敗しました"), std::string::npos);
  Client client;
  ASSERT_TRUE(client.Connect(server.Port()));
  client.Send(GetRequest("/"));
  EXPECT_TRUE(client.ClosedWithoutAnswer(10000));  // no slots without maxconnect
  EXPECT_EQ(server.Stop(), 0);
}

}  // namespace
}  // namespace ruz::test
