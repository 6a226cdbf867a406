// SIGTERM while downloads and CGI runs are in flight: the server finishes them,
// writes out its log buffer, exits 0, and the log holds every request.
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

}  // namespace
}  // namespace ruz::test
