// Runs of child processes against a socket pair standing in for the client.
#include "cgi/child_process.h"
#include "http/request_info.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cgi/environment_block.h"
#include "config/settings.h"
#include "platform/text_codes.h"
#include "http/connection_slot.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

using Args = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

int OpenDescriptorCount() {
  int count = 0;
  for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

// True when the process is gone or has ended (a zombie) within the limit.
bool EndsWithin(int pid, std::chrono::milliseconds limit) {
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return true;  // already gone
  pollfd pfd{fd, POLLIN, 0};
  const bool ended = ::poll(&pfd, 1, static_cast<int>(limit.count())) == 1;
  ::close(fd);
  return ended;
}

bool HasChildren() {
  int status = 0;
  return !(::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD);
}

class RunChildProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    slot_.socket = Socket(fds[0]);
    client_ = fds[1];
    settings_.processtimeout = 20000;
    slot_.settings = &settings_;
    EnvPut(env_, "PATH", "/usr/bin:/bin", false);
  }

  void TearDown() override {
    if (client_ >= 0) ::close(client_);
  }

  // A file of the test's directory holding content; returns its path.
  std::string WriteFile(const std::string &name, const std::string &content) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  RunResult Run(const Args &args, HeaderMode mode, RequestBody body = {}) {
    bytes_ = 0;
    return RunChildProcess(slot_, args, dir_.string(), env_, bytes_, body, mode);
  }

  static RequestBody Length(std::uint64_t length, bool sendContinue = false) {
    return {RequestBody::Framing::kLength, length, sendContinue};
  }

  // Everything the client received; the server side is closed first.
  std::string Received() {
    slot_.socket.Close();
    std::string all;
    char buffer[4096];
    for (ssize_t n; (n = ::read(client_, buffer, sizeof buffer)) > 0;) all.append(buffer, n);
    return all;
  }

  void ClientSends(const std::string &bytes) {
    ASSERT_EQ(::write(client_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  TempDir temp_;
  std::filesystem::path dir_{temp_.Path()};
  ServerSettings settings_;
  ConnectionSlot slot_;
  EnvironmentBlock env_;
  int client_ = -1;
  std::uint64_t bytes_ = 0;
};

TEST_F(RunChildProcessTest, SendModeMergesTheHeaderAndCountsOnlyTheBody) {
  const std::string out = WriteFile("out", "Content-type: text/html\n\nHello");
  EXPECT_EQ(Run({"cat", out}, HeaderMode::kSend), kRunOk);
  EXPECT_EQ(bytes_, 5u);
  const std::string response = Received();
  EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << response;
  EXPECT_NE(response.find("Content-type: text/html\r\n"), std::string::npos) << response;
  EXPECT_NE(response.find("Cache-Control: no-cache\r\n"), std::string::npos) << response;
  EXPECT_NE(response.find("Pragma: no-cache\r\n"), std::string::npos) << response;
  EXPECT_TRUE(response.ends_with("\r\n\r\nHello")) << response;
}

TEST_F(RunChildProcessTest, DropAndNoneModesRelayTheirPart) {
  const std::string out = WriteFile("out", "X-A: 1\r\n\r\nbody\n");
  EXPECT_EQ(Run({"cat", out}, HeaderMode::kDrop), kRunOk);
  EXPECT_EQ(bytes_, 5u);
  EXPECT_EQ(Received(), "body\n");
}

TEST_F(RunChildProcessTest, NoneModeRelaysStandardOutputButNeverStandardError) {
  EXPECT_EQ(Run({"sh", "-c", "printf err >&2; printf 'A: 1\\n\\n'; printf err >&2"},
                HeaderMode::kNone),
            kRunOk);
  EXPECT_EQ(Received(), "A: 1\n\n");
  EXPECT_EQ(bytes_, 6u);
}

TEST_F(RunChildProcessTest, HeaderBlockLimitIs1025BytesBlankLineIncluded) {
  for (const std::size_t size : {kMaxCgiHeaderBytes, kMaxCgiHeaderBytes + 1}) {
    const std::string header = "X: " + std::string(size - 5, 'a') + "\n\n";
    ASSERT_EQ(header.size(), size);
    const std::string out = WriteFile("out", header + "tail");
    EXPECT_EQ(Run({"cat", out}, HeaderMode::kDrop),
              size == kMaxCgiHeaderBytes ? kRunOk : kRunBadHeader)
        << size;
  }
}

TEST_F(RunChildProcessTest, HeaderEndsAtAnyBlankLineFormButNotBehindAZeroByte) {
  struct Case {
    std::string output;
    RunResult result;
    const char *relayed;
  } cases[] = {
      {"A: 1\r\r"
       "b",
       kRunOk, "b"},
      {"A: 1\n\n"
       "b",
       kRunOk, "b"},
      {"A: 1\r\n\r\n"
       "b",
       kRunOk, "b"},
      {std::string("A\0: 1\n\nb", 8), kRunBadHeader, ""},
      {"A: 1\nno blank line", kRunBadHeader, ""},
      {"", kRunBadHeader, ""},
  };
  for (const Case &c : cases) {
    const std::string out = WriteFile("out", c.output);
    EXPECT_EQ(Run({"cat", out}, HeaderMode::kDrop), c.result) << c.output;
  }
}

TEST_F(RunChildProcessTest, TimeOutInTheHeaderPhaseKillsTheProcessGroup) {
  settings_.processtimeout = 1000;
  const std::string pidFile = (dir_ / "pid").string();
  const auto start = Clock::now();
  // The shell starts a grandchild in the same group and then waits for it.
  EXPECT_EQ(Run({"sh", "-c", "sleep 30 & echo $! > " + pidFile + "; wait"}, HeaderMode::kSend),
            kRunTimedOut);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(Received(), "");  // nothing was sent
  std::ifstream in(pidFile);
  int grandchild = 0;
  ASSERT_TRUE(in >> grandchild);
  // Killed (SIGKILL lands asynchronously): soon gone, or a zombie of its new parent.
  EXPECT_TRUE(EndsWithin(grandchild, std::chrono::seconds(5)));
}

TEST_F(RunChildProcessTest, TimeOutInTheRelayPhaseKeepsWhatWasSent) {
  settings_.processtimeout = 1500;
  EXPECT_EQ(Run({"sh", "-c", "printf 'A: 1\\n\\npartial'; exec sleep 30"}, HeaderMode::kDrop),
            kRunTimedOut);
  EXPECT_EQ(bytes_, 7u);
  EXPECT_EQ(Received(), "partial");
}

TEST_F(RunChildProcessTest, ZeroTimeoutEndsEveryRunThatTakesAMillisecond) {
  settings_.processtimeout = 0;
  EXPECT_EQ(Run({"sleep", "5"}, HeaderMode::kNone), kRunTimedOut);
}

TEST_F(RunChildProcessTest, BodyIsPassedOnAndItsEndIsTheEndOfInput) {
  ClientSends("name=value&x=1");
  EXPECT_EQ(Run({"cat"}, HeaderMode::kNone, {RequestBody::Framing::kUntilSilent}), kRunOk);
  EXPECT_EQ(Received(), "name=value&x=1");
}

TEST_F(RunChildProcessTest, AStatedLengthIsPassedOnExactlyAfterAContinue) {
  ClientSends("name=value&x=1 and more");
  EXPECT_EQ(Run({"cat"}, HeaderMode::kNone, Length(14, true)), kRunOk);
  EXPECT_EQ(Received(), "HTTP/1.1 100 Continue\r\n\r\nname=value&x=1");
}

TEST_F(RunChildProcessTest, ClientStallingOrClosingDuringTheBodyEndsTheRun) {
  settings_.connecttimeout = 200;
  ClientSends("partial body");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run({"sleep", "30"}, HeaderMode::kSend, Length(100)), kRunClientGone);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ::shutdown(client_, SHUT_WR);
  EXPECT_EQ(Run({"sleep", "30"}, HeaderMode::kSend, {RequestBody::Framing::kUntilSilent}),
            kRunClientGone);
  EXPECT_EQ(Received(), "");
}

TEST_F(RunChildProcessTest, ProgramThatReadsOnlyPartOfALargeBodyIsNoError) {
  const std::string body(1 << 20, 'b');
  std::thread client([&] {
    std::size_t sent = 0;
    while (sent < body.size()) {
      const ssize_t n = ::write(client_, body.data() + sent, body.size() - sent);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
  });
  const RunResult result = Run({"head", "-c", "3"}, HeaderMode::kNone, Length(body.size()));
  client.join();
  EXPECT_EQ(result, kRunOk);
  EXPECT_EQ(Received(), "bbb");
}

TEST_F(RunChildProcessTest, FailedLaunchesReportResult4) {
  EXPECT_EQ(Run({"/nonexistent/program"}, HeaderMode::kSend), kRunLaunchFailed);
  EXPECT_EQ(Run({}, HeaderMode::kSend), kRunLaunchFailed);
  EXPECT_EQ(Run({"no-such-program-on-path"}, HeaderMode::kSend), kRunLaunchFailed);
  bytes_ = 0;
  EXPECT_EQ(
      RunChildProcess(slot_, {"true"}, "/nonexistent/dir", env_, bytes_, {}, HeaderMode::kNone),
      kRunLaunchFailed);
  EXPECT_EQ(Received(), "");
}

TEST_F(RunChildProcessTest, PathsReachTheProgramInUtf8AndOtherValuesAsBytes) {
  const std::string name = RUZ_CP932("日本");
  EnvPut(env_, "SCRIPT_FILENAME", "/w/" + name, false);
  EnvPut(env_, "HTTP_COOKIE", name, false);
  EXPECT_EQ(Run({"sh", "-c", "printf '%s|%s|%s' \"$SCRIPT_FILENAME\" \"$HTTP_COOKIE\" \"$1\"", "sh",
                 name},
                HeaderMode::kNone),
            kRunOk);
  EXPECT_EQ(Received(), "/w/日本|" + name + "|日本");
}

TEST_F(RunChildProcessTest, ProgramGetsOnlyTheBlockAndRunsInTheWorkingDirectory) {
  ::setenv("RUZ_SERVER_ONLY", "1", 1);
  EXPECT_EQ(Run({"sh", "-c", "pwd; echo ${RUZ_SERVER_ONLY:-unset}"}, HeaderMode::kNone), kRunOk);
  ::unsetenv("RUZ_SERVER_ONLY");
  EXPECT_EQ(Received(), std::filesystem::canonical(dir_).string() + "\nunset\n");
}

TEST_F(RunChildProcessTest, ManyRunsLeaveNoDescriptorsAndNoChildren) {
  const int before = OpenDescriptorCount();
  for (int i = 0; i < 20; ++i) {
    settings_.processtimeout = 20000;
    EXPECT_EQ(Run({"true"}, HeaderMode::kNone), kRunOk);
    EXPECT_EQ(Run({"/nonexistent"}, HeaderMode::kNone), kRunLaunchFailed);
    settings_.processtimeout = 50;
    EXPECT_EQ(Run({"sleep", "5"}, HeaderMode::kNone), kRunTimedOut);
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_FALSE(HasChildren());
}

}  // namespace
}  // namespace ruz

namespace ruz {
namespace {

TEST(RequestBodyTest, TheBodyFollowsTheStatedLengthOrTheMethod) {
  using Framing = RequestBody::Framing;
  struct Case {
    const char *method, *length, *expect;
    Framing framing;
    std::uint64_t bytes;
    bool sendContinue;
  } cases[] = {
      {"GET", "", "", Framing::kNone, 0, false},  // no wait for a body that never comes
      {"HEAD", "", "", Framing::kNone, 0, false},
      {"POST", "", "", Framing::kUntilSilent, 0, false},
      {"POST", "12", "", Framing::kLength, 12, false},
      {"POST", "12", "100-Continue", Framing::kLength, 12, true},
      {"POST", "0", "100-continue", Framing::kLength, 0, false},
      {"GET", "5", "", Framing::kLength, 5, false},
      {"POST", "12x", "", Framing::kUntilSilent, 0, false},
  };
  for (const Case &c : cases) {
    RequestInfo request;
    request.method = c.method;
    request.contentLength = c.length;
    request.expect = c.expect;
    const RequestBody body = BodyOf(request);
    EXPECT_EQ(body.framing, c.framing) << c.method << " " << c.length;
    EXPECT_EQ(body.length, c.bytes) << c.method << " " << c.length;
    EXPECT_EQ(body.sendContinue, c.sendContinue) << c.method << " " << c.length;
  }
  RequestInfo chunked;
  chunked.transferEncoding = "Chunked";
  EXPECT_TRUE(HasChunkedBody(chunked));
}

}  // namespace
}  // namespace ruz
