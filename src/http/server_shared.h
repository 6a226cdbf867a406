// What every connection of one server start shares, made once when the server
// starts and read-only afterwards (the access log serializes its own stores).
#pragma once

#include <chrono>
#include <mutex>
#include <vector>

#include "common/file_cache.h"
#include "config/private_files.h"
#include "config/settings.h"
#include "http/status_table.h"
#include "platform/tls.h"

namespace ruz {

class AccessLog;
class AuthThrottle;
class ErrorLineRelay;
class WaitingRoom;
struct ServerWatch;

/// The program's own files for one server start. They are looked up when the
/// server starts and again at most once a second, so a file replaced under its
/// name (an editor that saves by renaming) is private again within a second;
/// the access log tells every file it opens before it writes to it. A file once
/// private stays private until the server stops (a rotated log included).
/// Thread-safe.
class PrivateFileSet {
 public:
  static constexpr std::chrono::milliseconds kRefreshInterval{1000};

  /// Looks the files of settings up now; settings must outlive the set.
  /// Called once, before other threads use the set (none before: nothing is private).
  void Watch(const ServerSettings &settings);
  /// A log file just opened.
  void AddLogFile(const FileInfo &file);
  bool Contains(const FileInfo &file) const;

 private:
  // Log files kept at most; the oldest is forgotten first.
  static constexpr std::size_t kMaxLogFiles = 256;

  const ServerSettings *settings_ = nullptr;
  mutable std::mutex mutex_;
  PrivateFiles atStart_;
  mutable PrivateFiles current_;
  mutable std::chrono::steady_clock::time_point nextRefresh_;
  std::vector<FileInfo> logFiles_;
};

struct ServerShared {
  /// The settings as they were at the start; a change takes effect at restart.
  ServerSettings settings;
  /// The status list the connections write; owned by the front end.
  StatusTable *statusTable = nullptr;
  /// The certificate for kTls connections; none without HTTPS.
  const TlsContext *tlsContext = nullptr;
  PrivateFileSet privateFiles;
  /// None when logwrite is off.
  AccessLog *accessLog = nullptr;
  /// Small files kept in memory (none: every request reads the file).
  FileCache *files = nullptr;
  /// The start's traffic figures and facts for the window and the status page.
  ServerWatch *watch = nullptr;
  /// Failed Basic-auth attempts per client address (none: never locked).
  AuthThrottle *authThrottle = nullptr;
  /// Where CGI and exec programs' standard error is copied (none: discarded).
  ErrorLineRelay *programErrors = nullptr;
  /// Where kept connections wait for their next request (none: never kept).
  WaitingRoom *room = nullptr;
};

/// Whether a client must never be given the file: one of the program's own.
bool IsPrivateFile(const ServerShared &shared, const FileInfo &file);

}  // namespace ruz
