// Integration harness: temporary homes, the server process and raw HTTP.
#include "integration/harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/settings.h"
#include "platform/socket.h"
#include "platform/text_codes.h"

extern char **environ;

namespace ruz::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool IEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// One poll for readability; false on time-out.
bool WaitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

const std::vector<std::pair<std::string, std::string>> kDefaultKeys = {
    {"srvname", "testhost"},
    {"port", "0"},
    {"root", "www"},
    {"defmime", "application/octet-stream"},
    {"index", "index.html"},
    {"filelist", "1"},
    {"logwrite", "1"},
    {"logformat", kStandardLogFormat},
    {"logname", "access.log"},
    {"connecttimeout", "10000"},
    {"maxconnect", "16"},
    {"sendwait", "0"},
};

}  // namespace

// ---- HttpResponse ----

std::string HttpResponse::Header(std::string_view name) const {
  for (const auto &[n, v] : headers) {
    if (IEquals(n, name)) return v;
  }
  return {};
}

bool HttpResponse::HasHeader(std::string_view name) const { return CountHeader(name) > 0; }

int HttpResponse::CountHeader(std::string_view name) const {
  int count = 0;
  for (const auto &header : headers) count += IEquals(header.first, name) ? 1 : 0;
  return count;
}

HttpResponse ParseResponse(std::string raw, bool closed) {
  HttpResponse r;
  r.raw = std::move(raw);
  r.closed = closed;
  std::size_t end = r.raw.find("\r\n\r\n");
  std::string_view head = std::string_view(r.raw).substr(0, end);
  if (end != std::string::npos) r.body = r.raw.substr(end + 4);
  std::size_t lineEnd = head.find("\r\n");
  r.statusLine = head.substr(0, lineEnd);
  if (r.statusLine.rfind("HTTP/", 0) == 0 && r.statusLine.size() >= 12) {
    r.status = std::atoi(r.statusLine.c_str() + 9);
  }
  while (lineEnd != std::string_view::npos) {
    std::size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    std::string_view line = head.substr(start, lineEnd == std::string_view::npos
                                                   ? std::string_view::npos
                                                   : lineEnd - start);
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    r.headers.emplace_back(std::string(line.substr(0, colon)), std::string(value));
  }
  return r;
}

// ---- Client ----

Client::~Client() { Close(); }

Client::Client(Client &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), pending_(std::move(other.pending_)) {}

Client &Client::operator=(Client &&other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    pending_ = std::move(other.pending_);
  }
  return *this;
}

bool Client::Connect(std::uint16_t port) {
  Close();
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
    Close();
    return false;
  }
  return true;
}

bool Client::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void Client::ShutdownSend() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

std::string Client::ReadAll(int timeoutMs, bool &closed) {
  std::string data;
  closed = false;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[65536];
  while (WaitReadable(fd_, MillisecondsLeft(deadline))) {
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      closed = true;
      break;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

HttpResponse Client::ReadResponse(int timeoutMs) {
  bool closed = false;
  std::string raw = ReadAll(timeoutMs, closed);
  return ParseResponse(std::move(raw), closed);
}

bool Client::Fill(std::size_t size, Clock::time_point deadline) {
  char buffer[65536];
  while (pending_.size() < size) {
    if (!WaitReadable(fd_, MillisecondsLeft(deadline))) return false;
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

bool Client::FillUntil(std::string_view marker, std::size_t from, Clock::time_point deadline) {
  while (pending_.find(marker, from) == std::string::npos) {
    if (!Fill(pending_.size() + 1, deadline)) return false;
  }
  return true;
}

HttpResponse Client::ReadFramedResponse(bool head, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  if (!FillUntil("\r\n\r\n", 0, deadline)) return ParseResponse(std::exchange(pending_, {}), true);
  const std::size_t headerEnd = pending_.find("\r\n\r\n") + 4;
  HttpResponse r = ParseResponse(pending_.substr(0, headerEnd), false);
  pending_.erase(0, headerEnd);
  const bool bodiless = head || r.status == 304 || r.status / 100 == 1;
  if (bodiless) return r;
  if (r.HasHeader("Content-Length")) {
    const std::size_t length = std::stoul(r.Header("Content-Length"));
    r.closed = !Fill(length, deadline);
    r.body = pending_.substr(0, length);
    pending_.erase(0, std::min(length, pending_.size()));
  } else if (r.HasHeader("Transfer-Encoding")) {
    for (;;) {
      if (!FillUntil("\r\n", 0, deadline)) return r.body = "!", r;
      const std::size_t lineEnd = pending_.find("\r\n");
      const std::size_t size = std::stoul(pending_.substr(0, lineEnd), nullptr, 16);
      if (!Fill(lineEnd + 2 + size + 2, deadline) || pending_.substr(lineEnd + 2 + size, 2) != "\r\n")
        return r.body = "!", r;
      r.body += pending_.substr(lineEnd + 2, size);
      pending_.erase(0, lineEnd + 2 + size + 2);
      if (size == 0) break;
    }
  } else {
    bool closed = false;
    r.body = std::exchange(pending_, {}) + ReadAll(MillisecondsLeft(deadline), closed);
    r.closed = closed;
  }
  r.raw += r.body;
  return r;
}

bool Client::ClosedWithoutAnswer(int timeoutMs) {
  bool closed = false;
  std::string data = ReadAll(timeoutMs, closed);
  return closed && data.empty();
}

bool Client::StaysOpenSilently(int ms) {
  if (!WaitReadable(fd_, ms)) return true;
  char c;
  return ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT) < 0 && errno == EAGAIN;
}

void Client::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pending_.clear();
}

std::uint16_t FreePort() { return ListenTcp(0, 1).boundPort; }

HttpResponse Exchange(std::uint16_t port, std::string_view request, int timeoutMs) {
  Client client;
  if (!client.Connect(port)) return {};
  client.Send(request);
  return client.ReadResponse(timeoutMs);
}

std::string GetRequest(std::string_view path, std::string_view extraLines,
                       std::string_view method) {
  std::string r;
  r.append(method).append(" ").append(path).append(" HTTP/1.1\r\nHost: 127.0.0.1\r\n");
  r.append(extraLines).append("\r\n");
  return r;
}

// ---- ServerProcess ----

ServerProcess::~ServerProcess() {
  if (Running()) Stop(5000);
  if (reader_.joinable()) reader_.join();
  if (unreadStdout_ >= 0) ::close(unreadStdout_);
}

bool ServerProcess::Start(const std::string &home, std::string &error, int timeoutMs) {
  std::vector<std::string> environment;
  for (char **e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  return Launch({RUZ_BINARY, "--headless", "--home", home}, environment, error) &&
         WaitForPortLine(error, timeoutMs);
}

bool ServerProcess::Launch(const std::vector<std::string> &argv,
                           const std::vector<std::string> &env, std::string &error) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    error = "pipe failed";
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<std::string> args = argv, envStrings = env;
  std::vector<char *> argp, envp;
  for (std::string &a : args) argp.push_back(a.data());
  for (std::string &e : envStrings) envp.push_back(e.data());
  argp.push_back(nullptr);
  envp.push_back(nullptr);
  int spawned = ::posix_spawn(&pid_, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  if (spawned != 0) {
    pid_ = -1;
    ::close(out[0]);
    ::close(err[0]);
    error = "cannot start " + args[0];
    return false;
  }
  int captured = out[0];
  if (stdoutMode_ == StdoutMode::kUnread) unreadStdout_ = std::exchange(captured, -1);
  if (stdoutMode_ == StdoutMode::kClosed) ::close(std::exchange(captured, -1));
  reader_ = std::thread([this, o = captured, e = err[0]] { ReadOutput(o, e); });
  return true;
}

void ServerProcess::ReadOutput(int outFd, int errFd) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string *targets[2] = {&stdout_, &stderr_};
  int open = outFd >= 0 ? 2 : 1;
  char buffer[65536];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      std::lock_guard lock(mutex_);
      if (n <= 0) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        targets[i]->append(buffer, static_cast<std::size_t>(n));
      }
      changed_.notify_all();
    }
  }
  std::lock_guard lock(mutex_);
  outputEnded_ = true;
  changed_.notify_all();
}

bool ServerProcess::WaitForPortLine(std::string &error, int timeoutMs) {
  static const std::string kPortLabel = "ポート番号: ";
  std::unique_lock lock(mutex_);
  bool found = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    std::size_t at = stderr_.find(kPortLabel);
    return outputEnded_ || (at != std::string::npos && stderr_.find('\n', at) != std::string::npos);
  });
  std::size_t at = stderr_.find(kPortLabel);
  if (found && at != std::string::npos) {
    port_ = static_cast<std::uint16_t>(std::atoi(stderr_.c_str() + at + kPortLabel.size()));
    return port_ != 0;
  }
  error = "no port line; stderr: " + stderr_;
  lock.unlock();
  if (int status = WaitForExit(found ? 2000 : 0); status != -1) {
    error += " (exit status " + std::to_string(status) + ")";
  }
  return false;
}

int ServerProcess::WaitForExit(int timeoutMs) {
  if (pid_ <= 0) return -1;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      if (reader_.joinable()) reader_.join();
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (r < 0 || MillisecondsLeft(deadline) == 0) return -1;
    // Poll interval of the bounded wait, not a synchronisation.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

int ServerProcess::Stop(int timeoutMs) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = WaitForExit(timeoutMs);
  if (status == -1 && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    if (reader_.joinable()) reader_.join();
  }
  return status;
}

std::vector<std::string> ServerProcess::StdoutLines() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> lines;
  std::istringstream in(stdout_);
  std::string line;
  while (std::getline(in, line)) {
    if (!in.eof()) lines.push_back(line);
  }
  return lines;
}

bool ServerProcess::WaitForStdoutLines(std::size_t n, int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return static_cast<std::size_t>(std::count(stdout_.begin(), stdout_.end(), '\n')) >= n ||
           outputEnded_;
  }) && static_cast<std::size_t>(std::count(stdout_.begin(), stdout_.end(), '\n')) >= n;
}

bool ServerProcess::WaitForStderr(std::string_view text, int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return stderr_.find(text) != std::string::npos || outputEnded_;
  }) && stderr_.find(text) != std::string::npos;
}

std::string ServerProcess::Stderr() {
  std::lock_guard lock(mutex_);
  return stderr_;
}

std::string ServerProcess::Stdout() {
  std::lock_guard lock(mutex_);
  return stdout_;
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string> &changes) {
  std::vector<std::string> result;
  auto nameOf = [](const std::string &entry) { return entry.substr(0, entry.find('=')); };
  for (char **e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    bool changed = false;
    for (const std::string &change : changes) changed = changed || nameOf(change) == nameOf(entry);
    if (!changed) result.push_back(entry);
  }
  for (const std::string &change : changes) {
    if (change.find('=') != std::string::npos) result.push_back(change);
  }
  return result;
}

FinishedRun RunToExit(const std::vector<std::string> &args, int timeoutMs) {
  std::vector<std::string> argv = {RUZ_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  ServerProcess process;
  std::string error;
  FinishedRun run;
  if (!process.Launch(argv, EnvironmentWith({}), error)) {
    run.err = error;
    return run;
  }
  run.status = process.WaitForExit(timeoutMs);
  run.out = process.Stdout();
  run.err = process.Stderr();
  return run;
}

std::vector<std::string> SplitRow(const std::string &line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return cells;
}

// ---- ServerTest ----

ServerTest::ServerTest() : keys_(kDefaultKeys) { MakeDir("www"); }

void ServerTest::TearDown() {
  // A server that does not stop cleanly (a crash, or a sanitizer's report in
  // the child) fails the test that ran it.
  if (server_.Running()) {
    int status = server_.Stop();
    EXPECT_EQ(status, 0) << "server stderr:\n" << server_.Stderr();
  }
}

void ServerTest::SetKey(const std::string &key, const std::string &utf8Value) {
  for (auto &[k, v] : keys_) {
    if (k == key) {
      v = utf8Value;
      return;
    }
  }
  keys_.emplace_back(key, utf8Value);
}

void ServerTest::AddSections(const std::string &utf8Text) { sections_ += utf8Text + "\n"; }

std::string ServerTest::HomePath(const std::string &relativePath) const {
  return relativePath.empty() ? home_.Path() : home_.Path() + "/" + relativePath;
}

void ServerTest::MakeDir(const std::string &relativePath) {
  fs::create_directories(HomePath(relativePath));
}

void ServerTest::WriteFile(const std::string &relativePath, std::string_view content) {
  fs::path path = HomePath(relativePath);
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string ServerTest::ReadFile(const std::string &relativePath) const {
  std::ifstream in(HomePath(relativePath), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string ServerTest::IniText() const {
  std::string text = "[RUZ]\r\n";
  for (const auto &[key, value] : keys_) text += key + "=" + value + "\r\n";
  text += sections_;
  return Utf8ToCp932(text);
}

void ServerTest::StartServer() {
  WriteFile("ruz.ini", IniText());
  std::string error;
  ASSERT_TRUE(server_.Start(home_.Path(), error)) << error;
}

int ServerTest::StopServer() {
  int status = server_.Stop();
  if (status != 0) ADD_FAILURE() << "server stderr:\n" << server_.Stderr();
  return status;
}

std::vector<std::vector<std::string>> ServerTest::Rows(std::size_t n) {
  EXPECT_TRUE(server_.WaitForStdoutLines(n)) << "fewer than " << n << " rows";
  std::vector<std::vector<std::string>> rows;
  for (const std::string &line : server_.StdoutLines()) rows.push_back(SplitRow(line));
  return rows;
}

std::vector<std::string> ServerTest::LastRow(std::size_t n) {
  auto rows = Rows(n);
  return rows.empty() ? std::vector<std::string>(6) : rows.back();
}

std::vector<std::string> ServerTest::RowFor(const std::string &uri, int occurrence) {
  std::vector<std::string> found(6);
  auto matches = [&](const std::vector<std::string> &lines) {
    int seen = 0;
    for (const std::string &line : lines) {
      std::vector<std::string> cells = SplitRow(line);
      if (cells.size() == 6 && cells[4] == uri && ++seen == occurrence) {
        found = cells;
        return true;
      }
    }
    return false;
  };
  auto deadline = Clock::now() + std::chrono::seconds(10);
  for (std::size_t n = 1;; ++n) {
    if (matches(server_.StdoutLines())) return found;
    if (!server_.WaitForStdoutLines(n, MillisecondsLeft(deadline))) break;
  }
  ADD_FAILURE() << "no row for " << uri;
  return found;
}

}  // namespace ruz::test
