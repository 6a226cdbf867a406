// SIGTERM while downloads and CGI runs are in flight: the server finishes them
// (or, past stopwait, cuts them off), ends idle clients at once, writes out its
// log buffer, exits 0, and the log holds every request. Standard output that
// blocks or is closed never holds up serving or the stop.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "integration/fault_probe.h"
#include "integration/harness.h"

namespace ruz::test {
namespace {

class FaultStopTest : public ServerTest {
 protected:
  void SetUp() override {
    SetKey("mem", "1");
    SetKey("bufmax", "65536");  // every line of this test waits in the buffer
    SetKey("logformat", "%url% %responsecode% %bytesd%");
    SetKey("sendwait", "100");  // 8 pieces: about 0.8 s per download
    SetKey("maxconnect", "32");
    SetKey("running", "1");
    SetKey("processtimeout", "20000");
    AddSections("[cgi0]\nextension=.cgi\nfileheader=\ncmdline=sh %filepath%\n");
    page_ = std::string(8 * 65536, 'p');
    WriteFile("www/slow.bin", page_);
    WriteFile("www/small.html", "small");
    WriteFile("www/slow.cgi", "echo >> '" + HomePath("started.txt") +
                                  "'\nsleep 1\nprintf 'Content-Type: text/plain\\n\\ndone'\n");
  }

  std::size_t CgiRunsStarted() {
    std::ifstream in(HomePath("started.txt"));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }

  std::string page_;
};

TEST_F(FaultStopTest, SigtermWaitsForTransfersAndCgiRunsAndLosesNoLogLine) {
  constexpr int kDone = 5, kDownloads = 4, kCgi = 3;
  StartServer();
  for (int i = 0; i < kDone; ++i) ASSERT_EQ(Get("/small.html").status, 200);

  std::vector<Client> downloads(kDownloads), runs(kCgi);
  for (Client &c : downloads) {
    ASSERT_TRUE(c.Connect(Port()));
    ASSERT_TRUE(c.Send(GetRequest("/slow.bin")));
    ASSERT_FALSE(c.StaysOpenSilently(10000));  // its transfer has begun
  }
  for (Client &c : runs) {
    ASSERT_TRUE(c.Connect(Port()));
    ASSERT_TRUE(c.Send(GetRequest("/slow.cgi")));
  }
  EXPECT_EQ(SettlesTo(std::size_t{kCgi}, [&] { return CgiRunsStarted(); }), std::size_t{kCgi});

  int status = -2;
  std::thread stopper([&] { status = StopServer(); });
  for (Client &c : downloads) {
    HttpResponse r = c.ReadResponse(30000);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body.size(), page_.size());
  }
  for (Client &c : runs) EXPECT_EQ(c.ReadResponse(30000).body, "done");
  stopper.join();
  EXPECT_EQ(status, 0);

  const std::string log = Log();
  auto count = [&](const std::string &line) {
    int n = 0;
    for (std::size_t at = 0; (at = log.find(line, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(count("/small.html 200 5\r\n"), kDone);
  EXPECT_EQ(count("/slow.bin 200 " + std::to_string(page_.size()) + "\r\n"), kDownloads);
  EXPECT_EQ(count("/slow.cgi 200 4\r\n"), kCgi);
  EXPECT_EQ(count("\r\n"), kDone + kDownloads + kCgi);
}

using Clock = std::chrono::steady_clock;

TEST_F(FaultStopTest, StopEndsIdleClientsAtOnceAndCutsOffWhatOutlastsStopwait) {
  SetKey("stopwait", "500");
  WriteFile("www/endless.bin", std::string(100 * 65536, 'e'));  // 10 s at sendwait 100
  WriteFile("www/endless.cgi",
            "echo $$ > '" + HomePath("group.txt") + "'\nprintf 'Content-Type: text/plain\\n\\n'\n"
            "while :; do echo more; sleep 0.05; done\n");
  StartServer();
  Client idle, download, run;
  ASSERT_TRUE(idle.Connect(Port()));
  ASSERT_TRUE(idle.Send("GET /small.html HTTP/1.1\r\n"));  // never finished
  ASSERT_TRUE(download.Connect(Port()));
  ASSERT_TRUE(download.Send(GetRequest("/endless.bin")));
  ASSERT_FALSE(download.StaysOpenSilently(10000));
  ASSERT_TRUE(run.Connect(Port()));
  ASSERT_TRUE(run.Send(GetRequest("/endless.cgi")));
  ASSERT_FALSE(run.StaysOpenSilently(10000));

  const auto start = Clock::now();
  EXPECT_EQ(StopServer(), 0);
  // stopwait and a moment (more under a sanitizer), never the idle client's
  // connecttimeout or the download's length.
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500 + 2500));
  EXPECT_EQ(idle.ReadResponse(1000).status, 408);
  const HttpResponse cut = download.ReadResponse(1000);
  EXPECT_TRUE(cut.closed);
  EXPECT_LT(cut.body.size(), 100u * 65536);
  std::ifstream groupFile(HomePath("group.txt"));
  pid_t group = 0;
  groupFile >> group;
  EXPECT_GT(group, 0);
  EXPECT_EQ(SettlesTo(std::size_t{0}, [&] { return MembersOfGroup(group).size(); }), 0u)
      << "the program outlived the stop";

  // Every request has its whole line: the idle one timed out, the others were
  // cut off like clients that vanished.
  const std::string log = Log();
  EXPECT_NE(log.find(" 408 0\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("/endless.bin "), std::string::npos) << log;
  EXPECT_NE(log.find("/endless.cgi "), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
}

class StoppedOutputTest : public FaultStopTest, public ::testing::WithParamInterface<StdoutMode> {};

TEST_P(StoppedOutputTest, NeverHoldsUpServingOrTheStop) {
  Server().SetStdoutMode(GetParam());
  StartServer();
  // Far more rows than a pipe holds (64 KiB, about 60 bytes a row).
  constexpr int kRequests = 2000;
  EXPECT_EQ(RunJobsConcurrently(kRequests, 4, [&](int) { return Get("/small.html").status == 200; }),
            0);
  const auto start = Clock::now();
  EXPECT_EQ(Server().Stop(5000), 0);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  // The memory buffer was written out although the rows could not be printed.
  const std::string log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), kRequests);
}

INSTANTIATE_TEST_SUITE_P(Output, StoppedOutputTest,
                         ::testing::Values(StdoutMode::kUnread, StdoutMode::kClosed),
                         [](const auto &info) {
                           return info.param == StdoutMode::kUnread ? "Unread" : "Closed";
                         });

}  // namespace
}  // namespace ruz::test
