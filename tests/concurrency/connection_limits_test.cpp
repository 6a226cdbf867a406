// Slots under load: held connections, the maxconnect limit, parallel clients,
// and stopping while a transfer is still running.
#include <atomic>
#include <thread>

#include "integration/harness.h"

namespace ruz::test {
namespace {

class ConnectionLimitsTest : public ServerTest {
 protected:
  void SetUp() override {
    WriteFile("www/index.html", "<html>top</html>");
    WriteFile("www/wait.cgi", "cat > /dev/null\n");
    SetKey("connecttimeout", "30000");
    SetKey("running", "1");
    AddSections("[cgi0]\nextension=.cgi\nfileheader=\ncmdline=sh %filepath%\n");
  }
  // Connections whose request header is complete but whose body never comes,
  // so each holds its slot (an idle connection would give its slot up).
  std::vector<Client> Hold(int count) {
    std::vector<Client> held(count);
    for (Client &c : held) {
      EXPECT_TRUE(c.Connect(Port()));
      EXPECT_TRUE(c.Send("POST /wait.cgi HTTP/1.1\r\nContent-Length: 10\r\n\r\n"));
    }
    return held;
  }
};

TEST_F(ConnectionLimitsTest, FourthConnectionIsClosedWhileThreeAreHeld) {
  SetKey("maxconnect", "3");
  StartServer();
  std::vector<Client> held = Hold(3);
  Client fourth;
  ASSERT_TRUE(fourth.Connect(Port()));
  fourth.Send(GetRequest("/index.html"));
  EXPECT_TRUE(fourth.ClosedWithoutAnswer(10000));
  for (Client &c : held) EXPECT_TRUE(c.StaysOpenSilently(50));

  // One held connection ends; its slot serves the next connection. The slot is
  // released a moment after the row is printed, so retry within a bound.
  held[0].ShutdownSend();
  EXPECT_EQ(held[0].ReadResponse().status, 500);
  HttpResponse next;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (next.status != 200 && std::chrono::steady_clock::now() < deadline) {
    next = Get("/index.html");
  }
  EXPECT_EQ(next.status, 200);
}

TEST_F(ConnectionLimitsTest, OnlyTheFirst64SlotsAreUsedEvenWithMaxconnect100) {
  SetKey("maxconnect", "100");
  StartServer();
  std::vector<Client> held = Hold(64);
  Client extra;
  ASSERT_TRUE(extra.Connect(Port()));
  extra.Send(GetRequest("/index.html"));
  EXPECT_TRUE(extra.ClosedWithoutAnswer(30000));  // a bound: 64 programs start first
  for (Client &c : held) c.ShutdownSend();
  for (Client &c : held) EXPECT_EQ(c.ReadResponse().status, 500);
  EXPECT_EQ(StopServer(), 0);
}

TEST_F(ConnectionLimitsTest, ParallelClientsAreAllServedAndLogged) {
  constexpr int kThreads = 8;
  constexpr int kRequests = 25;
  SetKey("maxconnect", "64");
  SetKey("logformat", "%url% %responsecode%");
  StartServer();
  std::atomic<int> ok{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRequests; ++i) ok += Get("/index.html").status == 200 ? 1 : 0;
    });
  }
  for (auto &t : threads) t.join();
  EXPECT_EQ(ok.load(), kThreads * kRequests);
  EXPECT_EQ(Rows(kThreads * kRequests).size(), static_cast<std::size_t>(kThreads * kRequests));
  ASSERT_EQ(StopServer(), 0);
  std::string log = Log();
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = log.find("/index.html 200\r\n", at)) != std::string::npos; ++at) {
    ++lines;
  }
  EXPECT_EQ(lines, static_cast<std::size_t>(kThreads * kRequests));
}

TEST_F(ConnectionLimitsTest, StopWaitsForARunningTransferToFinish) {
  const std::string page(8 * 65536, 'z');
  WriteFile("www/slow.bin", page);
  SetKey("sendwait", "100");  // about 0.7 s for the whole body
  StartServer();
  Client client;
  ASSERT_TRUE(client.Connect(Port()));
  client.Send(GetRequest("/slow.bin"));
  ASSERT_FALSE(client.StaysOpenSilently(10000));  // the transfer has begun
  int status = -2;
  std::thread stopper([&] { status = StopServer(); });
  HttpResponse r = client.ReadResponse(30000);
  client.Close();
  stopper.join();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body.size(), page.size());
  EXPECT_EQ(RowFor("/slow.bin")[5], "200 OK");
  EXPECT_NE(Log().find("/slow.bin"), std::string::npos);
}

TEST_F(ConnectionLimitsTest, ClientLeavingMidTransferDoesNotDisturbTheServer) {
  const std::string page(16 * 65536, 'g');
  WriteFile("www/big.bin", page);
  SetKey("sendwait", "20");
  StartServer();
  for (int i = 0; i < 3; ++i) {
    Client client;
    ASSERT_TRUE(client.Connect(Port()));
    client.Send(GetRequest("/big.bin"));
    ASSERT_FALSE(client.StaysOpenSilently(10000));  // the transfer has begun
    client.Close();  // unread data makes the system answer the next send with a reset
  }
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(RowFor("/big.bin", i)[5], "500 Internal Server Error");
  EXPECT_EQ(Get("/index.html").status, 200);
  EXPECT_EQ(StopServer(), 0);
}

}  // namespace
}  // namespace ruz::test
