// The real program in window mode: no display, and a stop signal under load.
#include "window_support.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "platform/socket.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

QString Binary() { return QString::fromUtf8(RUZ_BINARY); }

TEST(WindowProcessTest, WithoutADisplayItSaysToUseHeadlessAndExitsOne) {
  QTemporaryDir home;
  std::ofstream(home.path().toStdString() + "/ruz.ini") << "[RUZ]\nport=0\n";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
    env.remove(name);
  QProcess ruz;
  ruz.setProcessEnvironment(env);
  ruz.start(Binary(), {u"--home"_s, home.path()});
  ASSERT_TRUE(ruz.waitForFinished(20000));
  EXPECT_EQ(ruz.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(ruz.exitCode(), 1);
  EXPECT_TRUE(ruz.readAllStandardError().contains("--headless"));
}

TEST(WindowProcessTest, SigtermLetsTheRunningRequestFinishAndExitsZero) {
  QTemporaryDir home;
  const std::string dir = home.path().toStdString();
  const int port = FreePort();
  std::ofstream(dir + "/ruz.ini") << "[RUZ]\nport=" << port
                                  << "\nroot=www\nmaxconnect=8\nconnecttimeout=10\nsendwait=100\n"
                                     "logwrite=1\nmem=1\nbufmax=65536\nlogname=access.log\n"
                                     "logformat=%url% %responsecode%\n";
  QDir().mkpath(home.path() + u"/www"_s);
  constexpr std::size_t kSize = 8 * 64 * 1024;
  std::ofstream(dir + "/www/big.bin", std::ios::binary) << std::string(kSize, 'x');
  QProcess ruz;
  ruz.start(Binary(), {u"--home"_s, home.path()});
  ASSERT_TRUE(ruz.waitForStarted(10000));

  Socket client;
  ASSERT_TRUE(WaitFor([&] {
    client = ConnectTcp("127.0.0.1", static_cast<std::uint16_t>(port), 1000);
    return client.IsValid() || ruz.state() == QProcess::NotRunning;
  }, 20000));
  ASSERT_TRUE(client.IsValid()) << "the window's server never listened";
  client.SetReceiveTimeout(20000);
  ASSERT_TRUE(client.SendAll("GET /big.bin HTTP/1.0\r\n\r\n"));
  std::string reply;
  char buffer[65536];
  RecvResult got = client.Recv(buffer, sizeof buffer);
  ASSERT_EQ(got.status, RecvStatus::kOk);
  reply.append(buffer, got.bytes);

  ruz.terminate();  // SIGTERM while the body is still on its way
  while ((got = client.Recv(buffer, sizeof buffer)).status == RecvStatus::kOk && got.bytes > 0)
    reply.append(buffer, got.bytes);
  ASSERT_TRUE(ruz.waitForFinished(20000));
  EXPECT_EQ(ruz.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(ruz.exitCode(), 0);
  const std::size_t body = reply.find("\r\n\r\n");
  ASSERT_NE(body, std::string::npos);
  EXPECT_EQ(reply.size() - body - 4, kSize);
  std::ifstream log(dir + "/access.log", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}), "/big.bin 200\r\n");
}

}  // namespace
}  // namespace ruz::testing
