// What every connection of one server start shares, made once when the server
// starts and read-only afterwards (the access log serializes its own stores).
#pragma once

#include <mutex>

#include "common/file_cache.h"
#include "config/private_files.h"
#include "config/settings.h"
#include "http/status_table.h"
#include "platform/tls.h"

namespace ruz {

class AccessLog;

/// The identity of the access-log file open now, told by the log whenever it
/// opens its path anew. Thread-safe.
class LogFileIdentity {
 public:
  void Set(const FileInfo &file);
  bool Is(const FileInfo &file) const;

 private:
  mutable std::mutex mutex_;
  FileInfo file_;
};

struct ServerShared {
  /// The settings as they were at the start; a change takes effect at restart.
  ServerSettings settings;
  /// The status list the connections write; owned by the front end.
  StatusTable *statusTable = nullptr;
  /// The certificate for kTls connections; none without HTTPS.
  const TlsContext *tlsContext = nullptr;
  /// The program's own files, resolved at the start, and the log file open
  /// now (a rotated log is a new file).
  PrivateFiles privateFiles;
  LogFileIdentity logFile;
  /// None when logwrite is off.
  AccessLog *accessLog = nullptr;
  /// Small files kept in memory (none: every request reads the file).
  FileCache *files = nullptr;
};

/// Whether a client must never be given the file: one of the program's own.
bool IsPrivateFile(const ServerShared &shared, const FileInfo &file);

}  // namespace ruz
