// Starting, restarting and stopping the server instance in-process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "config/settings.h"
#include "http/status_table.h"
#include "platform/paths.h"
#include "platform/socket.h"
#include "server/context.h"
#include "support/temp_dir.h"

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
  ASSERT_EQ(LoadSettings(settings), 0);
  ASSERT_EQ(StartServer(context), 1);
  const std::uint16_t first = context.boundPort;
  EXPECT_TRUE(Accepts(first));

  // Take a free port for the new setting by binding and releasing it.
  std::uint16_t second = ListenTcp(0, 1).boundPort;
  WriteIni(second);
  RestartServer(context);
  ASSERT_EQ(context.isRunning, 1);
  EXPECT_EQ(context.boundPort, second);
  EXPECT_TRUE(Accepts(second));
  EXPECT_FALSE(Accepts(first));
}

TEST_F(ServerLifecycleTest, PortOutsideTheTcpRangeIsABindFailure) {
  settings.port = 70000;
  static std::string warning;
  context.showWarning = [](const std::string &text) { warning = text; };
  EXPECT_EQ(StartServer(context), 0);
  EXPECT_EQ(context.isRunning, 0);
  EXPECT_FALSE(warning.empty());
  StopServer(context);  // does nothing when not running
}

}  // namespace
}  // namespace ruz
