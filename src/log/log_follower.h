// Following the access log as it is written, as "tail -f" does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace ruz {

/// Reads a growing log read-only: first its last lines, then every complete
/// line appended. When the file at the path is replaced (the log was renamed
/// away and a new one begun) the rest of the old file is read, then the new
/// one from its start; a file cut shorter is read again from its start.
class LogFollower {
 public:
  /// tailBytes: how much of the end of an existing file the first Poll shows
  /// (from the first line that begins inside it).
  LogFollower(std::string path, std::size_t tailBytes);

  /// The complete lines that arrived since the last call, as written (CP932,
  /// each with its line end); at most about maxBytes at a time, so a large
  /// backlog comes in several calls. Empty while the file is missing.
  std::string Poll(std::size_t maxBytes = kDefaultPollBytes);

  static constexpr std::size_t kDefaultPollBytes = 1 << 20;

 private:
  bool Open(bool fromTail);
  // The bytes readable now from the open file, at most maxBytes.
  std::string ReadAvailable(std::size_t maxBytes);
  // Whether the path now names another file than the open one, or it was cut.
  bool FileWasReplaced() const;
  std::string TakeCompleteLines(std::string bytes);

  std::string path_;
  std::size_t tailBytes_;
  ReadFile file_;
  std::uint64_t offset_ = 0;
  bool opened_ = false;  // the first open shows the tail; later ones the whole file
  std::string partial_;  // the beginning of a line still being written
};

}  // namespace ruz
