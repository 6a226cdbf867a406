// Integration harness: a temporary home with its ruz.ini and document root, the
// real binary started headless on an ephemeral port, raw HTTP exchanges over
// 127.0.0.1, and the server's rows, messages and log file.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/text_codes.h"
#include "support/temp_dir.h"

namespace ruz::test {

using ruz::TempDir;

/// Everything received on one connection, split into its parts.
struct HttpResponse {
  std::string raw;         // every byte received
  bool closed = false;     // the server closed the connection (false: time-out)
  std::string statusLine;  // without its CR LF
  int status = 0;          // 0 when there is no status line
  std::vector<std::pair<std::string, std::string>> headers;  // in order, as sent
  std::string body;        // the bytes behind the blank line

  /// Value of the first header line of that name (letter case ignored), "" when none.
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
  /// How many header lines have that name.
  int CountHeader(std::string_view name) const;
};

HttpResponse ParseResponse(std::string raw, bool closed);

/// A client connection to 127.0.0.1.
class Client {
 public:
  Client() = default;
  ~Client();
  Client(Client &&other) noexcept;
  Client &operator=(Client &&other) noexcept;
  Client(const Client &) = delete;
  Client &operator=(const Client &) = delete;

  bool Connect(std::uint16_t port);
  bool Send(std::string_view bytes);
  void ShutdownSend();
  /// Reads until the server closes or timeoutMs passes; closed tells which.
  std::string ReadAll(int timeoutMs, bool &closed);
  HttpResponse ReadResponse(int timeoutMs = 10000);
  /// Reads exactly one response as its header frames it (Content-Length,
  /// chunked, none for HEAD, 304 and 1xx, else until the close), leaving what
  /// follows for the next read. The body of a chunked response is dechunked;
  /// "!" when its chunks are malformed.
  HttpResponse ReadFramedResponse(bool head, int timeoutMs = 10000);
  /// True when the server closed the connection without sending anything
  /// within timeoutMs (a reset counts as closed).
  bool ClosedWithoutAnswer(int timeoutMs);
  /// True when nothing arrives and the connection stays open for ms.
  bool StaysOpenSilently(int ms);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

 private:
  // Receives until pending_ holds at least size bytes; false at the close or time-out.
  bool Fill(std::size_t size, std::chrono::steady_clock::time_point deadline);
  bool FillUntil(std::string_view marker, std::size_t from, std::chrono::steady_clock::time_point deadline);

  int fd_ = -1;
  std::string pending_;  // received and not yet read
};

/// A port that was free a moment ago on every local address, for a second
/// listener whose port the test must write into ruz.ini.
std::uint16_t FreePort();

/// Sends request on a fresh connection and reads the response until close.
HttpResponse Exchange(std::uint16_t port, std::string_view request, int timeoutMs = 10000);

/// "GET path HTTP/1.1" with a Host line and the given extra header lines
/// (each ending in CR LF), ended by a blank line.
std::string GetRequest(std::string_view path, std::string_view extraLines = "",
                       std::string_view method = "GET");

/// This process's environment changed by changes: "NAME=value" sets a
/// variable, a bare "NAME" removes it.
std::vector<std::string> EnvironmentWith(const std::vector<std::string> &changes);

/// What becomes of the server's standard output.
enum class StdoutMode {
  kCaptured,  // read as it comes (StdoutLines)
  kUnread,    // a pipe nobody reads: it fills up and blocks the writer
  kClosed,    // a pipe whose reading end is closed at once
};

/// The server binary started headless with a home directory.
class ServerProcess {
 public:
  ServerProcess() = default;
  /// Before Start or Launch.
  void SetStdoutMode(StdoutMode mode) { stdoutMode_ = mode; }
  ~ServerProcess();
  ServerProcess(const ServerProcess &) = delete;
  ServerProcess &operator=(const ServerProcess &) = delete;

  /// Starts the binary and waits (at most timeoutMs) for the line with the
  /// bound port, checking that the child is alive. False with a reason.
  bool Start(const std::string &home, std::string &error, int timeoutMs = 10000);
  /// Starts argv (argv[0] is the program's path) with the environment env,
  /// without waiting for anything. False with a reason.
  bool Launch(const std::vector<std::string> &argv, const std::vector<std::string> &env,
              std::string &error);
  /// After Launch: waits for the port line as Start does.
  bool WaitUntilServing(std::string &error, int timeoutMs = 10000) {
    return WaitForPortLine(error, timeoutMs);
  }
  /// SIGTERM and wait (at most timeoutMs); the exit status, or -1 when the
  /// child did not exit in time (it is then killed) or ended by a signal.
  int Stop(int timeoutMs = 20000);
  /// Waits at most timeoutMs for the child to exit by itself; exit status or -1.
  int WaitForExit(int timeoutMs);

  std::uint16_t Port() const { return port_; }
  pid_t Pid() const { return pid_; }
  bool Running() const { return pid_ > 0; }

  /// Complete lines of standard output so far (the finished requests' rows, UTF-8).
  std::vector<std::string> StdoutLines();
  /// Waits until at least n stdout lines arrived; false at the time-out.
  bool WaitForStdoutLines(std::size_t n, int timeoutMs = 10000);
  /// Waits until standard error holds text (false at the deadline or its end).
  bool WaitForStderr(std::string_view text, int timeoutMs = 10000);
  std::string Stderr();
  std::string Stdout();

 private:
  void ReadOutput(int outFd, int errFd);
  bool WaitForPortLine(std::string &error, int timeoutMs);

  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string stdout_;
  std::string stderr_;
  bool outputEnded_ = false;
  StdoutMode stdoutMode_ = StdoutMode::kCaptured;
  int unreadStdout_ = -1;  // the reading end kept open in kUnread mode
};

/// A run of the binary that ends by itself: its exit status (-1 when it did not
/// end within timeoutMs, or ended by a signal) and everything it printed.
struct FinishedRun {
  int status = -1;
  std::string out;
  std::string err;
};
FinishedRun RunToExit(const std::vector<std::string> &args, int timeoutMs = 10000);

/// A row printed by the server: its six cells.
std::vector<std::string> SplitRow(const std::string &line);

/// Fixture: a temporary home with ruz.ini (main-section keys with test-friendly
/// defaults, changeable by SetKey) and a www/ document root; StartServer()
/// writes the ini and starts the binary. All texts given in UTF-8 are written
/// as CP932 into ruz.ini.
class ServerTest : public ::testing::Test {
 protected:
  ServerTest();
  void TearDown() override;

  /// Sets (or, with an empty value, keeps as empty) a key of section RUZ.
  void SetKey(const std::string &key, const std::string &utf8Value);
  /// Appends raw ini text (numbered list sections), e.g. "[errpage0]\nerrcode=404\n".
  void AddSections(const std::string &utf8Text);
  /// Writes a file below the home directory (relative UTF-8 path; directories made).
  void WriteFile(const std::string &relativePath, std::string_view content);
  void MakeDir(const std::string &relativePath);
  std::string ReadFile(const std::string &relativePath) const;
  std::string HomePath(const std::string &relativePath = "") const;

  /// Writes ruz.ini and starts the server (fails the test when it cannot).
  void StartServer();
  /// Stops the server; returns its exit status.
  int StopServer();

  std::uint16_t Port() const { return server_.Port(); }
  HttpResponse Request(std::string_view raw, int timeoutMs = 10000) {
    return Exchange(Port(), raw, timeoutMs);
  }
  HttpResponse Get(std::string_view path, std::string_view extraLines = "") {
    return Request(GetRequest(path, extraLines));
  }
  /// The rows printed so far, each split into its cells; waits for at least n.
  /// A row is printed after its connection was closed, so rows of requests
  /// made one after the other may appear in another order.
  std::vector<std::vector<std::string>> Rows(std::size_t n);
  /// The last printed row, waiting for at least n rows (see Rows for the order;
  /// RowFor is the safer choice).
  std::vector<std::string> LastRow(std::size_t n);
  /// The occurrence-th printed row (from 1) whose target cell (column 4) is
  /// uri, waiting for it; six empty cells when it does not appear in time.
  std::vector<std::string> RowFor(const std::string &uri, int occurrence = 1);
  std::string Log() const { return ReadFile("access.log"); }

  ServerProcess &Server() { return server_; }

 private:
  std::string IniText() const;

  TempDir home_;
  std::vector<std::pair<std::string, std::string>> keys_;
  std::string sections_;
  ServerProcess server_;
};

}  // namespace ruz::test
