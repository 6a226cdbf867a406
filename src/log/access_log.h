// The access log: a request's line in the operator's format, and the log of a
// server start that stores the lines (file kept open, memory buffer, lock).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "http/server_shared.h"
#include "platform/files.h"

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// The status a request is logged and shown with: code ("200") and reason text.
struct LoggedStatus {
  std::string code;
  std::string text;
};

/// The status line that went out (a CGI program may have chosen it), unless
/// the request failed after it (a client that left mid-transfer): then its
/// error code tells the operator the transfer broke off.
LoggedStatus LoggedStatusOf(const ConnectionSlot &slot, int statusCode);

/// The log line of a request in the operator's format, with its CR LF.
/// A log format taken apart once: literal text ("%%" already "%") and the
/// tokens whose values go between.
struct LogSegment {
  std::string literal;
  int token = -1;  // the token's index, or -1 for literal text
};
struct LogFormat {
  std::vector<LogSegment> segments;
};
LogFormat CompileLogFormat(std::string_view format);

/// The line of a request in a compiled format.
std::string FormatLogLine(const LogFormat &format, const ConnectionSlot &slot,
                          const RequestInfo &request, std::uint64_t bytesSent, int statusCode);
/// The same in the settings' format.
std::string FormatLogLine(const ConnectionSlot &slot, const RequestInfo &request,
                          std::uint64_t bytesSent, int statusCode);

/// The log of one server start: logname kept open from construction on and,
/// when mem is on, a memory buffer of at most bufmax - 1 bytes in front of it.
/// Thread-safe.
class AccessLog {
 public:
  /// privateFiles (when given) is told of every file the log opens.
  AccessLog(const ServerSettings &settings, PrivateFileSet *privateFiles = nullptr);
  AccessLog(const AccessLog &) = delete;
  AccessLog &operator=(const AccessLog &) = delete;

  /// Appends a formatted line to the buffer or the file.
  void Store(const std::string &line);
  /// Writes what waits in the buffer to the file (at the stop).
  void WriteOutBuffer();
  /// What waits in the buffer now.
  std::string BufferedText() const;
  /// The settings' log format, compiled at the start.
  const LogFormat &Format() const { return format_; }

 private:
  std::string BufferLine(const std::string &line);
  void WriteToFile(std::unique_lock<std::mutex> &lock, std::string bytes);

  mutable std::mutex mutex_;
  AppendingFile file_;  // written by one thread at a time: the one with writing_ set
  /// Bytes for the file that wait while another thread writes to it, and
  /// whether one does (under mutex_).
  std::string toWrite_;
  bool writing_ = false;
  std::condition_variable written_;
  const LogFormat format_;
  const bool buffered_;
  const std::size_t capacity_;
  std::string buffer_;
};

}  // namespace ruz
