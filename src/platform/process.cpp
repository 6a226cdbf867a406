// Child processes on POSIX: posix_spawn with a new process group, pipes made
// close-on-exec, a pidfd to wait on the program and its output together.
#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <utility>

namespace ruz {

Descriptor::Descriptor(Descriptor &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Descriptor &Descriptor::operator=(Descriptor &&other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void Descriptor::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

namespace {

// A write into a pipe whose reader is gone must fail with EPIPE instead of
// ending the server; children get the default disposition back at spawn.
void IgnoreBrokenPipes() {
  static std::once_flag once;
  std::call_once(once, [] { ::signal(SIGPIPE, SIG_IGN); });
}

std::uint64_t MonotonicMilliseconds() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// glibc's <sys/pidfd.h> lacks C++ linkage in this version; the system call is direct.
int OpenPidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

struct PipePair {
  Descriptor read;
  Descriptor write;
};

bool MakePipe(PipePair &pipe) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  pipe.read = Descriptor(fds[0]);
  pipe.write = Descriptor(fds[1]);
  return true;
}

bool SetNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

std::vector<char *> PointerArray(const std::vector<std::string> &texts) {
  std::vector<char *> pointers;
  pointers.reserve(texts.size() + 1);
  for (const std::string &text : texts) pointers.push_back(const_cast<char *>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Attributes: a new process group, no blocked signals, every signal at its default.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    ::posix_spawnattr_init(&attr_);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setsigmask(&attr_, &none);
    ::posix_spawnattr_setsigdefault(&attr_, &all);
    ::posix_spawnattr_setpgroup(&attr_, 0);
    ::posix_spawnattr_setflags(
        &attr_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnAttributes() { ::posix_spawnattr_destroy(&attr_); }
  SpawnAttributes(const SpawnAttributes &) = delete;
  SpawnAttributes &operator=(const SpawnAttributes &) = delete;
  const posix_spawnattr_t *Get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_;
};

// File actions: the pipe ends become descriptors 0 and 1 and the error
// output 2 (dup2 clears close-on-exec on them only), then the working directory
// is entered. Warnings never share the pipe whose bytes become the response.
class SpawnActions {
 public:
  SpawnActions(int input, int output, int errorOutput, const std::string &workingDirectory) {
    ::posix_spawn_file_actions_init(&actions_);
    ::posix_spawn_file_actions_adddup2(&actions_, input, 0);
    ::posix_spawn_file_actions_adddup2(&actions_, output, 1);
    if (errorOutput == SpawnOptions::kDiscardErrors)
      ::posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0);
    else
      ::posix_spawn_file_actions_adddup2(&actions_, errorOutput, 2);
    if (!workingDirectory.empty())
      ::posix_spawn_file_actions_addchdir_np(&actions_, workingDirectory.c_str());
  }
  ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions &) = delete;
  SpawnActions &operator=(const SpawnActions &) = delete;
  const posix_spawn_file_actions_t *Get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

ChildProcess::~ChildProcess() { Reset(); }

ChildProcess::ChildProcess(ChildProcess &&other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      pidfd_(std::move(other.pidfd_)),
      input_(std::move(other.input_)),
      output_(std::move(other.output_)),
      outputEnded_(other.outputEnded_),
      exitStatus_(other.exitStatus_) {}

ChildProcess &ChildProcess::operator=(ChildProcess &&other) noexcept {
  if (this != &other) {
    Reset();
    pid_ = std::exchange(other.pid_, -1);
    pidfd_ = std::move(other.pidfd_);
    input_ = std::move(other.input_);
    output_ = std::move(other.output_);
    outputEnded_ = other.outputEnded_;
    exitStatus_ = other.exitStatus_;
  }
  return *this;
}

void ChildProcess::Reset() {
  if (pid_ > 0 && !HasExited()) Terminate();
  Reap();
  pidfd_.Close();
  input_.Close();
  output_.Close();
}

bool ChildProcess::Start(const SpawnOptions &options, std::string &error) {
  IgnoreBrokenPipes();
  if (options.arguments.empty() || options.arguments[0].empty()) {
    error = "no program named";
    return false;
  }
  PipePair in;
  PipePair out;
  if (!MakePipe(in) || !MakePipe(out)) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  SpawnAttributes attributes;
  SpawnActions actions(in.read.Get(), out.write.Get(), options.errorOutput,
                       options.workingDirectory);
  std::vector<char *> argv = PointerArray(options.arguments);
  std::vector<char *> envp = PointerArray(options.environment);
  pid_t pid = -1;
  const int rc =
      ::posix_spawnp(&pid, argv[0], actions.Get(), attributes.Get(), argv.data(), envp.data());
  if (rc != 0) {
    error = options.arguments[0] + ": " + std::strerror(rc);
    return false;
  }
  pid_ = pid;
  exitStatus_ = -1;
  outputEnded_ = false;
  pidfd_ = Descriptor(OpenPidfd(pid));
  input_ = std::move(in.write);
  output_ = std::move(out.read);
  SetNonBlocking(input_.Get());
  SetNonBlocking(output_.Get());
  return true;
}

ChildWriteStatus ChildProcess::WriteInput(std::string_view bytes, int timeoutMilliseconds) {
  const std::uint64_t deadline = MonotonicMilliseconds() + std::max(timeoutMilliseconds, 0);
  while (!bytes.empty()) {
    if (!input_.IsValid()) return ChildWriteStatus::kInputClosed;
    const ssize_t n = ::write(input_.Get(), bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      input_.Close();  // EPIPE: the program no longer reads its input
      return ChildWriteStatus::kInputClosed;
    }
    const std::uint64_t now = MonotonicMilliseconds();
    if (now >= deadline) return ChildWriteStatus::kTimeout;
    pollfd pfd{input_.Get(), POLLOUT, 0};
    ::poll(&pfd, 1, static_cast<int>(std::min<std::uint64_t>(deadline - now, 1u << 30)));
  }
  return ChildWriteStatus::kWritten;
}

void ChildProcess::CloseInput() { input_.Close(); }

ChildWaitResult ChildProcess::Wait(int timeoutMilliseconds) {
  ChildWaitResult result;
  pollfd fds[2];
  nfds_t count = 0;
  int outputIndex = -1;
  int exitIndex = -1;
  if (output_.IsValid() && !outputEnded_) {
    outputIndex = static_cast<int>(count);
    fds[count++] = pollfd{output_.Get(), POLLIN, 0};
  }
  if (pidfd_.IsValid() && exitStatus_ < 0) {
    exitIndex = static_cast<int>(count);
    fds[count++] = pollfd{pidfd_.Get(), POLLIN, 0};
  }
  // Without a pidfd (old kernels) the end of the program is checked every 20 ms.
  const bool checkExit = !pidfd_.IsValid() && exitStatus_ < 0;
  if (count == 0 && !checkExit) {
    result.exited = HasExited();
    return result;
  }
  if (checkExit && (timeoutMilliseconds < 0 || timeoutMilliseconds > 20)) timeoutMilliseconds = 20;
  int rc;
  do {
    rc = ::poll(fds, count, timeoutMilliseconds);
  } while (rc < 0 && errno == EINTR);
  result.outputReady = rc > 0 && outputIndex >= 0 && fds[outputIndex].revents != 0;
  result.exited =
      (rc > 0 && exitIndex >= 0 && fds[exitIndex].revents != 0) || (checkExit && HasExited());
  return result;
}

bool ChildProcess::HasExited() {
  if (pid_ <= 0 || exitStatus_ >= 0) return true;
  siginfo_t info{};
  // WNOWAIT: the child stays a zombie, so its process group id cannot be reused
  // before Terminate or Reap.
  if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
    return true;
  return info.si_pid == pid_;
}

std::size_t ChildProcess::OutputBytesWaiting() const {
  int waiting = 0;
  if (!output_.IsValid() || ::ioctl(output_.Get(), FIONREAD, &waiting) != 0 || waiting < 0)
    return 0;
  return static_cast<std::size_t>(waiting);
}

ChildReadResult ChildProcess::ReadOutput(void *buffer, std::size_t size) {
  ChildReadResult result;
  if (!output_.IsValid() || outputEnded_) {
    result.status = ChildReadStatus::kEnded;
    return result;
  }
  ssize_t n;
  do {
    n = ::read(output_.Get(), buffer, size);
  } while (n < 0 && errno == EINTR);
  if (n > 0) {
    result.status = ChildReadStatus::kData;
    result.bytes = static_cast<std::size_t>(n);
  } else if (n == 0) {
    outputEnded_ = true;
    result.status = ChildReadStatus::kEnded;
  } else if (errno == EAGAIN) {
    result.status = ChildReadStatus::kNothingWaiting;
  } else {
    outputEnded_ = true;  // a broken pipe is not waited on again
    result.status = ChildReadStatus::kError;
  }
  return result;
}

void ChildProcess::Terminate() {
  if (pid_ <= 0) return;
  // The child is not reaped yet, so its pid still names its process group.
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  Reap();
}

int ChildProcess::WaitForExit() {
  if (pid_ <= 0) return exitStatus_;
  Reap();
  return exitStatus_;
}

void ChildProcess::Reap() {
  if (pid_ <= 0) return;
  int status = 0;
  pid_t rc;
  do {
    rc = ::waitpid(pid_, &status, 0);
  } while (rc < 0 && errno == EINTR);
  if (rc == pid_)
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  else
    exitStatus_ = 0;  // reaped elsewhere (SIGCHLD ignored): nothing left to wait for
  pid_ = -1;
}

void KillProcessGroup(int processGroup) {
  if (processGroup > 0) ::kill(-processGroup, SIGKILL);
}

}  // namespace ruz
