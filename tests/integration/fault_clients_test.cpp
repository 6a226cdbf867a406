// Clients that fill every slot or vanish at any stage of a request: the server
// keeps serving and is left with no extra descriptor, thread or child process.
#include <filesystem>
#include <thread>

#include "integration/fault_probe.h"
#include "integration/harness.h"

namespace ruz::test {
namespace {

class FaultClientsTest : public ServerTest {
 protected:
  void SetUp() override {
    WriteFile("www/small.html", "<p>small</p>");
    SetKey("connecttimeout", "30000");
  }

  ProcessFacts Facts() { return ReadProcessFacts(Server().Pid()); }

  // Retries within a bound: a slot is free again a moment after its client saw
  // the connection close.
  int StatusOnceASlotIsFree(const std::string &path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    while (status == 0 && std::chrono::steady_clock::now() < deadline) status = Get(path).status;
    return status;
  }

  static int CountLines(const std::string &text, const std::string &needle) {
    int count = 0;
    for (std::size_t at = 0; (at = text.find(needle, at)) != std::string::npos; ++at) ++count;
    return count;
  }
};

TEST_F(FaultClientsTest, SixtyFifthConnectionIsClosedAtOnceAndSlotsComeBack) {
  SetKey("maxconnect", "64");
  SetKey("logformat", "%url% %responsecode%");
  // Complete headers whose bodies never come: no slot is idle, none gives way.
  SetKey("running", "1");
  AddSections("[cgi0]\nextension=.cgi\nfileheader=\ncmdline=sh %filepath%\n");
  WriteFile("www/wait.cgi", "cat > /dev/null\n");
  StartServer();
  const ProcessFacts baseline = Facts();
  const std::string baselineDescriptors = DescribeDescriptors(Server().Pid());
  std::vector<Client> held(64);
  for (Client &c : held) {
    ASSERT_TRUE(c.Connect(Port()));
    ASSERT_TRUE(c.Send("POST /wait.cgi HTTP/1.1\r\nContent-Length: 10\r\n\r\n"));
  }
  Client extra;
  ASSERT_TRUE(extra.Connect(Port()));
  extra.Send(GetRequest("/small.html"));
  EXPECT_TRUE(extra.ClosedWithoutAnswer(30000));  // a bound: 64 programs start first

  for (Client &c : held) c.Close();  // all vanish mid-body
  EXPECT_EQ(StatusOnceASlotIsFree("/small.html"), 200);
  EXPECT_EQ(Rows(65).size(), 65u);
  EXPECT_EQ(SettlesTo(baseline, [&] { return Facts(); }), baseline)
      << "at start:\n" << baselineDescriptors << "now:\n" << DescribeDescriptors(Server().Pid());
  ASSERT_EQ(StopServer(), 0);
  // The refused connection was never served, so it left no line.
  EXPECT_EQ(CountLines(Log(), "/wait.cgi 500\r\n"), 64);
  EXPECT_EQ(CountLines(Log(), "/small.html 200\r\n"), 1);
}

TEST_F(FaultClientsTest, IdleConnectionsGiveTheirSlotsToClientsThatSendARequest) {
  SetKey("maxconnect", "64");
  SetKey("logformat", "%url% %responsecode%");
  StartServer();
  std::vector<Client> idle(64);
  for (Client &c : idle) ASSERT_TRUE(c.Connect(Port()));  // they never send a byte
  // Once the idle ones have waited over a second, each new client is served.
  ASSERT_TRUE(idle[0].StaysOpenSilently(1200));
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Get("/small.html").status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
  // The longest waiting idle connections were answered as timed out (a slot a
  // served client returned may already have served the next one).
  int timedOut = 0;
  for (Client &c : idle) {
    const HttpResponse r = c.ReadResponse(20);
    timedOut += r.status == 408 ? 1 : 0;
  }
  EXPECT_GE(timedOut, 1);
  EXPECT_LE(timedOut, 5);
  for (Client &c : idle) c.Close();
  ASSERT_EQ(StopServer(), 0);
  EXPECT_EQ(CountLines(Log(), "/small.html 200\r\n"), 5);
}

TEST_F(FaultClientsTest, ClientsVanishingAtEveryStageLeaveNothingBehind) {
  constexpr int kEach = 6;
  SetKey("maxconnect", "64");
  SetKey("sendwait", "20");  // a 3 MiB download takes about a second
  SetKey("running", "1");
  SetKey("processtimeout", "20000");
  AddSections("[cgi0]\nextension=.cgi\nfileheader=\ncmdline=sh %filepath%\n");
  WriteFile("www/large.bin", std::string(3 << 20, 'L'));
  // Whether the server sees the client leave while it relays the body or only
  // when it answers, the run ends at once.
  WriteFile("www/read.cgi", "head -c 10 >/dev/null; printf 'Content-Type: text/plain\\n\\nread'\n");
  WriteFile("www/talk.cgi",
            "printf 'Content-Type: text/plain\\n\\nfirst'\n"
            "while :; do sleep 0.05; echo more; done\n");
  WriteFile("www/quiet.cgi", "sleep 1; printf 'Content-Type: text/plain\\n\\nlate'\n");
  StartServer();
  const ProcessFacts baseline = Facts();
  const std::string baselineDescriptors = DescribeDescriptors(Server().Pid());

  // Each client leaves at its own stage; the ones that wait for the first
  // bytes of the answer know the server has reached that stage.
  auto vanish = [&](const std::string &request, bool waitForBytes) {
    Client c;
    ASSERT_TRUE(c.Connect(Port()));
    ASSERT_TRUE(c.Send(request));
    if (waitForBytes) {
      ASSERT_FALSE(c.StaysOpenSilently(10000));
    }
    c.Close();
  };
  const std::string midBody =
      "POST /read.cgi HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n" +
      std::string(1000, 'b');
  std::vector<std::thread> clients;
  for (int i = 0; i < kEach; ++i) {
    clients.emplace_back(vanish, "GET /small.html HTTP/1.1\r\nHost: x\r\nUser-Ag", false);
    clients.emplace_back(vanish, midBody, false);
    clients.emplace_back(vanish, GetRequest("/large.bin"), true);
    clients.emplace_back(vanish, GetRequest("/talk.cgi"), true);
    clients.emplace_back(vanish, GetRequest("/quiet.cgi"), false);
  }
  for (std::thread &t : clients) t.join();

  // Every vanished request finishes with a row of its own, and then the server
  // holds what it held before and has no child left.
  EXPECT_EQ(Rows(5 * kEach).size(), 5u * kEach);
  EXPECT_EQ(Get("/small.html").status, 200);
  EXPECT_EQ(SettlesTo(baseline, [&] { return Facts(); }), baseline)
      << "at start:\n" << baselineDescriptors << "now:\n" << DescribeDescriptors(Server().Pid());
  EXPECT_EQ(SettlesTo(std::size_t{0}, [&] { return ChildrenOf(Server().Pid()).size(); }), 0u);
  EXPECT_EQ(StopServer(), 0);
}

}  // namespace
}  // namespace ruz::test
