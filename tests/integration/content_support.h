// Helpers of the content integration tests: running curl and reading the
// access log's status and byte count.
#pragma once

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>

#include "integration/harness.h"

namespace ruz::test {

/// Standard output of a shell command (its exit status is not kept).
inline std::string RunCommand(const std::string &command) {
  std::string output;
  FILE *pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  ::pclose(pipe);
  return output;
}

inline std::string Url(std::uint16_t port, const std::string &path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

/// "status bytes" of the last line of a log in the standard format.
inline std::string LastLogStatusAndBytes(const std::string &log) {
  static const std::regex kEnd("\" (\\d+) (\\d+) \"[^\"]*\" \"[^\"]*\"\r?\n?$");
  std::smatch match;
  if (!std::regex_search(log, match, kEnd)) return "";
  return match[1].str() + " " + match[2].str();
}

/// A server test whose log lines can be awaited: a row is printed when its
/// response cell is written, a moment before the log line.
class ContentServerTest : public ServerTest {
 protected:
  /// The log once it holds at least n lines (at most 10 s).
  std::string LogWithLines(std::size_t n) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      std::string log = Log();
      std::size_t lines = 0;
      for (char c : log) lines += c == '\n';
      if (lines >= n || std::chrono::steady_clock::now() > deadline) return log;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  /// "status bytes" of log line n (counted from 1), once it has been written.
  std::string LoggedStatusAndBytes(std::size_t n) {
    std::string log = LogWithLines(n);
    std::size_t start = 0;
    for (std::size_t i = 1; i < n && start != std::string::npos; ++i) {
      start = log.find('\n', start);
      if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return "";
    return LastLogStatusAndBytes(log.substr(start, log.find('\n', start) - start));
  }
};

}  // namespace ruz::test
