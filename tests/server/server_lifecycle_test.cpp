// Starting, restarting and stopping the server instance in-process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "config/settings.h"
#include "http/status_table.h"
#include "platform/paths.h"
#include "platform/socket.h"
#include "platform/text_codes.h"
#include "server/server.h"
#include "server/start_up.h"
#include "support/temp_dir.h"
#include "support/ipv6_loopback.h"

namespace ruz {
namespace {

class ServerLifecycleTest : public ::testing::Test {
 protected:
  ServerLifecycleTest() {
    std::filesystem::create_directories(home / "www");
    SetProgramDirectory(home.string());
    context.statusTable = &table;
    context.settings = &settings;
    context.showWarning = [](const std::string &) {};
  }
  ~ServerLifecycleTest() override {
    StopServer(context);
  }
  void WriteIni(int port) {
    std::ofstream(home / "ruz.ini", std::ios::binary)
        << "[RUZ]\r\nport=" << port << "\r\nroot=www\r\nmaxconnect=4\r\n";
  }
  static bool Accepts(std::uint16_t port) {
    return ConnectTcp("127.0.0.1", port, 5000).IsValid();
  }

  TempDir temp;
  std::filesystem::path home{temp.Path()};
  StatusTable table;
  ServerSettings settings;
  ServerContext context;
};

TEST_F(ServerLifecycleTest, RestartMovesTheListenerToTheNewPort) {
  WriteIni(0);
  ASSERT_TRUE(LoadSettings(settings));
  ASSERT_TRUE(StartServer(context));
  const std::uint16_t first = context.boundPort;
  EXPECT_TRUE(Accepts(first));

  // Take a free port for the new setting by binding and releasing it.
  std::uint16_t second = ListenTcp(0, 1).boundPort;
  WriteIni(second);
  ASSERT_TRUE(RestartFromSettings(context));
  ASSERT_EQ(context.isRunning, 1);
  EXPECT_EQ(context.boundPort, second);
  EXPECT_TRUE(Accepts(second));
  EXPECT_FALSE(Accepts(first));
}

TEST_F(ServerLifecycleTest, BindFailuresNameThePortAndTheReasonUntilAStartSucceeds) {
  RUZ_SKIP_WITHOUT_IPV6();
  ListenResult holder = ListenTcp(0, 1);
  ASSERT_TRUE(holder.socket.IsValid());
  const int taken = holder.boundPort;
  const std::string takenText = std::to_string(taken);
  struct Case {
    int port;
    std::string bindaddress;
    std::string reason;
  };
  const Case cases[] = {
      {70000, "", "ポート 70000: 範囲外です（0 から 65535 まで）"},
      {-1, "", "ポート -1: 範囲外です"},
      {taken, "", "ポート " + takenText + ": 他のプログラムが使用中です"},
      {taken, "127.0.0.1", "127.0.0.1:" + takenText + ": 他のプログラムが使用中です"},
      {taken, "localhost", "127.0.0.1:" + takenText + ": 他のプログラムが使用中です"},
      {taken, "::1", "[::1]:" + takenText + ": 他のプログラムが使用中です"},
      {0, "192.0.2.1", "192.0.2.1:0: このコンピューターのアドレスではありません"},
      {0, "myhost", "bindaddress \"myhost\": アドレスではありません"},
  };
  static std::string warning;
  context.showWarning = [](const std::string &text) { warning = text; };
  for (const auto &[port, bindaddress, reason] : cases) {
    settings.port = port;
    settings.bindaddress = bindaddress;
    warning.clear();
    EXPECT_FALSE(StartServer(context)) << port << " " << bindaddress;
    EXPECT_EQ(context.isRunning, 0);
    const std::string line = Cp932ToUtf8(context.startFailure);
    EXPECT_EQ(line.rfind(reason, 0), 0u) << line;
    EXPECT_EQ(Cp932ToUtf8(warning), "ソケットのバインドに失敗しました\n" + line);
    StopServer(context);  // does nothing when not running
  }
  settings.port = 0;
  settings.bindaddress = "";
  settings.maxconnect = 1;
  ASSERT_TRUE(StartServer(context));
  EXPECT_EQ(context.startFailure, "");
}

TEST_F(ServerLifecycleTest, TheBindAddressDecidesWhichLoopbackAnswers) {
  RUZ_SKIP_WITHOUT_IPV6();
  struct Case {
    std::string bindaddress;
    bool ipv4, ipv6;
  };
  const Case cases[] = {{"", true, true}, {"127.0.0.1", true, false}, {"::1", false, true},
                        {"localhost", true, true}};
  for (const Case &c : cases) {
    WriteIni(0);
    ASSERT_TRUE(LoadSettings(settings));
    settings.bindaddress = c.bindaddress;
    ASSERT_TRUE(StartServer(context)) << c.bindaddress;
    EXPECT_EQ(ConnectTcp("127.0.0.1", context.boundPort, 5000).IsValid(), c.ipv4) << c.bindaddress;
    EXPECT_EQ(ConnectTcp("::1", context.boundPort, 5000).IsValid(), c.ipv6) << c.bindaddress;
    StopServer(context);
  }
}

}  // namespace
}  // namespace ruz
