// Many CGI runs that end normally, time out with a grandchild still running,
// stall after their header, or lose their client: afterwards no process of any
// run is left, nothing is a zombie and no pipe stays open in the server.
#include <atomic>
#include <fstream>
#include <set>
#include <thread>

#include "integration/fault_probe.h"
#include "integration/harness.h"

namespace ruz::test {
namespace {

class FaultCgiTest : public ServerTest {
 protected:
  void SetUp() override {
    SetKey("running", "1");
    SetKey("processtimeout", "1000");  // a run that works finishes well within it, even under load
    SetKey("maxconnect", "32");
    AddSections("[cgi0]\nextension=.cgi\nfileheader=\ncmdline=sh %filepath%\n");
    // Every run notes its process group (the shell leads a group of its own).
    const std::string note = "echo $$ >> '" + HomePath("groups.txt") + "'\n";
    WriteFile("www/ok.cgi", note + "printf 'Content-Type: text/plain\\n\\nok'\n");
    WriteFile("www/timeout.cgi", note + "sleep 30 &\nsleep 30\n");
    WriteFile("www/stall.cgi",
              note + "printf 'Content-Type: text/plain\\n\\npartial'\nsleep 30 &\nwait\n");
    WriteFile("www/talk.cgi", note +
                                  "printf 'Content-Type: text/plain\\n\\nfirst'\n"
                                  "while :; do sleep 0.02; echo more; done\n");
  }

  std::set<pid_t> NotedGroups() {
    std::set<pid_t> groups;
    std::ifstream in(HomePath("groups.txt"));
    for (pid_t g; in >> g;) groups.insert(g);
    return groups;
  }

  // Run i of the mix: half succeed, the rest time out before or after the
  // header or lose their client once output flows. True when it went as planned.
  bool Run(int i) {
    switch (i % 10) {
      case 0: case 1: case 2: case 3: case 4:
        return Get("/ok.cgi").body == "ok";
      case 5: case 6:
        return Get("/timeout.cgi").status == 500;
      case 7:
        return Get("/stall.cgi").body == "partial";
      default: {
        Client c;
        if (!c.Connect(Port()) || !c.Send(GetRequest("/talk.cgi"))) return false;
        bool talked = !c.StaysOpenSilently(10000);
        c.Close();
        return talked;
      }
    }
  }
};

TEST_F(FaultCgiTest, TwoHundredRunsLeaveNoProcessZombieOrPipe) {
  constexpr int kRuns = 200;
  constexpr int kClients = 8;
  StartServer();
  const ProcessFacts baseline = ReadProcessFacts(Server().Pid());
  const std::string baselineDescriptors = DescribeDescriptors(Server().Pid());

  EXPECT_EQ(RunJobsConcurrently(kRuns, kClients, [&](int i) { return Run(i); }), 0);

  int ok = 0;
  for (const std::vector<std::string> &row : Rows(kRuns)) ok += row.at(5) == "200 OK" ? 1 : 0;
  EXPECT_EQ(ok, kRuns / 2);

  const pid_t server = Server().Pid();
  EXPECT_EQ(SettlesTo(baseline, [&] { return ReadProcessFacts(server); }), baseline)
      << "at start:\n" << baselineDescriptors << "now:\n" << DescribeDescriptors(server);
  EXPECT_EQ(SettlesTo(std::size_t{0}, [&] { return ChildrenOf(server).size(); }), 0u);
  const std::set<pid_t> groups = NotedGroups();
  EXPECT_EQ(groups.size(), static_cast<std::size_t>(kRuns));
  auto survivors = [&] {
    std::size_t n = 0;
    for (pid_t g : groups) n += MembersOfGroup(g).size();
    return n;
  };
  EXPECT_EQ(SettlesTo(std::size_t{0}, survivors), 0u) << "processes of finished runs remain";
  EXPECT_EQ(StopServer(), 0);
}

}  // namespace
}  // namespace ruz::test
