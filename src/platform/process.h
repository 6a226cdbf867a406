// Child processes: a program started in its own process group, with one pipe
// for its standard input and one for its standard output; its standard error
// goes where the caller says.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

/// An owned file descriptor, closed by the destructor. "Not set" is -1.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(Descriptor &&other) noexcept;
  Descriptor &operator=(Descriptor &&other) noexcept;
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;

  bool IsValid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  void Close();

 private:
  int fd_ = -1;
};

/// What to start. Every text is in the system's encoding (UTF-8), already
/// converted by the caller.
struct SpawnOptions {
  /// [0] names the program; it is looked up on the server's PATH when it holds no "/".
  std::vector<std::string> arguments;
  /// The child's working directory; empty keeps the server's.
  std::string workingDirectory;
  /// "NAME=value" entries: the child's whole environment, in this order.
  std::vector<std::string> environment;
  /// The descriptor that becomes the program's standard error (the caller keeps
  /// and closes it); kDiscardErrors: /dev/null.
  int errorOutput = kDiscardErrors;
  static constexpr int kDiscardErrors = -1;
};

/// The output side of a child after a wait: what can be done next without blocking.
struct ChildWaitResult {
  bool outputReady = false;  // ReadOutput returns data or the end of the output
  bool exited = false;       // the program has ended (not yet reaped)
  bool TimedOut() const { return !outputReady && !exited; }
};

enum class ChildReadStatus { kData, kNothingWaiting, kEnded, kError };

struct ChildReadResult {
  ChildReadStatus status = ChildReadStatus::kError;
  std::size_t bytes = 0;  // valid for kData
};

enum class ChildWriteStatus { kWritten, kInputClosed, kTimeout };

/// A running (or finished but not yet reaped) child process and the server's
/// ends of its two pipes. The server's ends are close-on-exec, so no other child
/// inherits them; the child's ends are closed in the server right after the start.
/// The destructor kills the process group when the program is still running,
/// reaps the child and closes every descriptor, so no run leaves a zombie.
/// Not thread-safe: one run belongs to one thread.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess &&other) noexcept;
  ChildProcess &operator=(ChildProcess &&other) noexcept;
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;

  /// Starts the program in a new process group with signals at their defaults.
  /// False when the pipes or the process could not be created (a missing
  /// program, a missing working directory, ...); error then holds the reason and
  /// nothing stays open. Must not be called on a started object.
  bool Start(const SpawnOptions &options, std::string &error);
  bool IsStarted() const { return pid_ > 0; }
  int ProcessId() const { return pid_; }

  /// Writes all bytes to the program's standard input, waiting while the pipe is
  /// full for at most timeoutMilliseconds in all. kInputClosed when the program
  /// no longer reads its input (it closed it or ended); later writes report the
  /// same at once.
  ChildWriteStatus WriteInput(std::string_view bytes, int timeoutMilliseconds);
  /// Closes the server's end of the input pipe: the program sees the end of its input.
  void CloseInput();

  /// Waits until output can be read, the output has ended or the program has
  /// ended, for at most timeoutMilliseconds (negative: without limit).
  ChildWaitResult Wait(int timeoutMilliseconds);
  /// True when the program has ended (it is not reaped yet).
  bool HasExited();
  /// The number of bytes waiting in the output pipe now, without reading them.
  std::size_t OutputBytesWaiting() const;
  /// Reads what is waiting, up to size bytes, never blocking. kEnded when every
  /// writer of the output pipe has closed it and nothing is left; after kEnded or
  /// kError the output is no longer waited on.
  ChildReadResult ReadOutput(void *buffer, std::size_t size);

  /// Kills the whole process group (SIGKILL) and reaps the child. Safe to call
  /// after the program ended.
  void Terminate();
  /// Waits for the program to end and reaps it; its exit status (128 + signal
  /// number when it was killed), -1 when nothing was started.
  int WaitForExit();

 private:
  void Reap();
  void Reset();

  int pid_ = -1;  // -1 when not started or reaped
  Descriptor pidfd_;
  Descriptor input_;   // write end of the child's standard input
  Descriptor output_;  // read end of the child's standard output and error
  bool outputEnded_ = false;
  int exitStatus_ = -1;
};

/// Kills every process of a process group (SIGKILL), for a thread other than
/// the one that owns the ChildProcess.
void KillProcessGroup(int processGroup);

}  // namespace ruz
