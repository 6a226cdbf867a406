// A storm of short requests from 60 clients that reconnect at once, with 64
// slots: no connection refused, every response complete, one whole row and one
// whole access-log line per request, and the server's descriptors and threads
// back where they started.
#include <atomic>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "integration/fault_probe.h"
#include "integration/harness.h"

namespace ruz::test {
namespace {

constexpr int kClients = 60;
constexpr int kRequests = 10000;

// What request i asks for, and what must come back: a small page, a file
// larger than one 64 KiB piece, and a missing file.
struct Target {
  std::string path;
  int status;
  std::size_t bytes;
};

class LoadTest : public ServerTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    small_ = std::string(1024, 's');
    large_.resize(100 * 1024);
    for (std::size_t i = 0; i < large_.size(); ++i) large_[i] = static_cast<char>('a' + i % 26);
    WriteFile("www/small.html", small_);
    WriteFile("www/large.bin", large_);
    SetKey("maxconnect", "64");
    SetKey("logformat", "%url% %responsecode% %bytesd% %ua%");
    if (GetParam()) {
      // A small buffer, so that many lines go through a full buffer.
      SetKey("mem", "1");
      SetKey("bufmax", "4096");
    }
  }

  Target TargetOf(int i) const {
    switch (i % 3) {
      case 0: return {"/small.html", 200, small_.size()};
      case 1: return {"/large.bin", 200, large_.size()};
      default: return {"/missing.html", 404, 0};
    }
  }

  // Sends request i and checks the whole response; true when it is right. A
  // slot is free again before its client has read the end of its answer, so
  // a client that reconnects at once always finds one.
  bool Serve(int i) {
    const Target target = TargetOf(i);
    const HttpResponse r = Get(target.path, "User-Agent: c" + std::to_string(i) + "\r\n");
    if (!r.closed || r.status != target.status) return false;
    if (target.status != 200) return r.body.empty();
    const std::string &expected = target.bytes == small_.size() ? small_ : large_;
    return r.body == expected && r.Header("Content-Length") == std::to_string(expected.size());
  }

  std::string small_;
  std::string large_;
};

TEST_P(LoadTest, EveryRequestIsAnsweredAndLoggedOnceAndNothingLeaks) {
  StartServer();
  const ProcessFacts baseline = ReadProcessFacts(Server().Pid());

  EXPECT_EQ(RunJobsConcurrently(kRequests, kClients, [&](int i) { return Serve(i); }), 0);

  EXPECT_EQ(SettlesTo(baseline, [&] { return ReadProcessFacts(Server().Pid()); }), baseline);
  // Every row complete: its last status text and its response are there.
  int incomplete = 0;
  for (const std::vector<std::string> &row : Rows(kRequests)) {
    const bool whole = row.at(5) == "200 OK" ? row.at(2) == "正常終了"
                                             : row.at(5) == "404 Not Found" &&
                                                   row.at(2) == "ファイルが見つかりません";
    if (!whole && ++incomplete <= 3) ADD_FAILURE() << "incomplete row: " << row.at(2) << " | " << row.at(5);
  }
  EXPECT_EQ(incomplete, 0);
  ASSERT_EQ(StopServer(), 0);  // writes out the log buffer

  // Every line whole and well-formed; every request exactly once.
  const std::string log = Log();
  const std::regex line(R"((/[a-z.]+) (\d+) (\d+) c(\d+))");
  std::set<int> seen;
  int bad = 0;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
    std::smatch m;
    const std::string text = log.substr(start, end - start);
    if (!std::regex_match(text, m, line)) {
      if (++bad <= 3) ADD_FAILURE() << "torn or foreign line: " << text;
      continue;
    }
    const int i = std::stoi(m[4]);
    const Target target = TargetOf(i);
    EXPECT_TRUE(seen.insert(i).second) << "logged twice: " << text;
    EXPECT_EQ(m[1], target.path);
    EXPECT_EQ(std::stoi(m[2]), target.status);
    EXPECT_EQ(std::stoul(m[3]), target.bytes);
  }
  EXPECT_EQ(start, log.size()) << "the log does not end with a whole line";
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kRequests));
}

INSTANTIATE_TEST_SUITE_P(LogBuffer, LoadTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "WithMem" : "WithoutMem"; });

}  // namespace
}  // namespace ruz::test
