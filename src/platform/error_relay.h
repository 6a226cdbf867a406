// Child programs' standard error, copied a line at a time onto one descriptor.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/process.h"

namespace ruz {

/// Copies what child programs write to their standard error onto target (the
/// server's standard error), each line led by the name of the program that
/// wrote it. One thread reads every pipe, so a program never waits on its error
/// output, and lines of two programs never run into each other. Control bytes
/// inside a line are written as \xNN, so a program cannot steer the terminal.
class ErrorLineRelay {
 public:
  explicit ErrorLineRelay(int target);
  /// Stops the thread after writing out the lines already read.
  ~ErrorLineRelay();
  ErrorLineRelay(const ErrorLineRelay &) = delete;
  ErrorLineRelay &operator=(const ErrorLineRelay &) = delete;

  /// The write end of a new pipe whose lines reach the target as "name: line".
  /// Invalid when no pipe could be made; the program then writes to nothing.
  Descriptor OpenWriter(std::string name);

 private:
  struct Source {
    Descriptor read;
    std::string name;
    std::string partial;  // the start of a line whose end has not come yet
  };

  void Run();
  void Drain(int fd);
  void WriteLine(const Source &source, std::string_view line);

  int target_;
  Descriptor poll_;
  Descriptor wake_;
  std::mutex mutex_;
  std::map<int, Source> sources_;  // by the read end's descriptor
  std::thread thread_;
};

}  // namespace ruz
