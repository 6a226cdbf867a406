// What a server process holds, read from /proc: descriptors, threads, child
// processes and the members of a process group. For tests that check that load
// and faults leave nothing behind.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace ruz::test {

/// Descriptors and threads of one process at one moment.
struct ProcessFacts {
  int descriptors = -1;
  int threads = -1;
  bool operator==(const ProcessFacts &) const = default;
};

inline ProcessFacts ReadProcessFacts(pid_t pid) {
  namespace fs = std::filesystem;
  ProcessFacts facts;
  const std::string dir = "/proc/" + std::to_string(pid);
  std::error_code error;
  facts.descriptors = 0;
  for (fs::directory_iterator it(dir + "/fd", error), end; !error && it != end; it.increment(error))
    ++facts.descriptors;
  facts.threads = 0;
  for (fs::directory_iterator it(dir + "/task", error), end; !error && it != end; it.increment(error))
    ++facts.threads;
  return facts;
}

inline std::ostream &operator<<(std::ostream &out, const ProcessFacts &facts) {
  return out << facts.descriptors << " descriptors, " << facts.threads << " threads";
}

/// What each descriptor of pid refers to, one "fd -> target" per line: printed
/// when a count does not settle, so the one left over can be told apart.
inline std::string DescribeDescriptors(pid_t pid) {
  namespace fs = std::filesystem;
  std::string lines;
  std::error_code error;
  for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end;
       !error && it != end; it.increment(error)) {
    std::error_code linkError;
    lines += it->path().filename().string() + " -> " + fs::read_symlink(it->path(), linkError).string() + "\n";
  }
  return lines;
}

/// Fields of /proc/<pid>/stat behind the command name: state, ppid, pgrp.
struct ProcessStat {
  pid_t pid = 0;
  char state = '?';
  pid_t parent = 0;
  pid_t group = 0;
};

/// The text of a small /proc file; empty when the process has ended, which
/// makes a read fail with ESRCH (a stream would throw on that).
inline std::string ReadProcFile(const std::filesystem::path &path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char chunk[512];
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
  ::close(fd);
  return text;
}

inline std::vector<ProcessStat> AllProcesses() {
  std::vector<ProcessStat> all;
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string text = ReadProcFile(it->path() / "stat");
    std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;  // the process ended meanwhile
    ProcessStat stat;
    stat.pid = std::stoi(name);
    std::istringstream rest(text.substr(close + 1));
    rest >> stat.state >> stat.parent >> stat.group;
    all.push_back(stat);
  }
  return all;
}

/// Processes whose parent is pid (zombies included).
inline std::vector<ProcessStat> ChildrenOf(pid_t pid) {
  std::vector<ProcessStat> children;
  for (const ProcessStat &p : AllProcesses())
    if (p.parent == pid) children.push_back(p);
  return children;
}

/// Live or zombie processes in process group group.
inline std::vector<ProcessStat> MembersOfGroup(pid_t group) {
  std::vector<ProcessStat> members;
  for (const ProcessStat &p : AllProcesses())
    if (p.group == group) members.push_back(p);
  return members;
}

/// Polls until probe() equals expected or timeoutMs passes; returns the last
/// value. Connection threads end a moment after their response is complete, so
/// the counts settle shortly after the last client is served.
template <typename T, typename Probe>
T SettlesTo(const T &expected, Probe probe, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  T value = probe();
  while (!(value == expected) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    value = probe();
  }
  return value;
}

/// Runs job(0) … job(count - 1) spread over the given number of client
/// threads; returns how many jobs returned false.
inline int RunJobsConcurrently(int count, int threads, const std::function<bool(int)> &job) {
  std::atomic<int> next{0};
  std::atomic<int> failed{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < threads; ++c) {
    clients.emplace_back([&] {
      for (int i; (i = next++) < count;) failed += job(i) ? 0 : 1;
    });
  }
  for (std::thread &t : clients) t.join();
  return failed.load();
}

}  // namespace ruz::test
