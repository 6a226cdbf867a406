// The server instance: its listeners, its connection slots and its log.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/settings.h"
#include "http/auth_throttle.h"
#include "http/connection_slot.h"
#include "http/slot_pool.h"
#include "http/status_table.h"
#include "platform/events.h"
#include "platform/tls.h"
#include "server/listeners.h"
#include "server/workers.h"

namespace ruz {

struct ServerContext {
  /// The status list the connections write; owned by the front end and
  /// outliving the server.
  StatusTable *statusTable = nullptr;
  ServerSettings *settings = nullptr;
  /// One per address bindaddress names (and per port); the accepting thread
  /// waits on all of them.
  std::vector<Listener> listeners;
  /// Signalled by StopServer: the accepting thread ends.
  std::unique_ptr<EventFd> acceptStop;
  std::thread acceptThread;
  std::unique_ptr<SlotPool> slots;
  std::unique_ptr<LogBuffer> logBuffer;
  std::unique_ptr<AppendingFile> logFile;
  std::unique_ptr<std::mutex> logLock;
  bool isRunning = false;
  std::uint16_t boundPort = 0;  // the port of the plain-HTTP listeners
  /// HTTPS: the certificate (none when tlsport is 0 or the certificate could
  /// not be used), the port of its listeners (0 without), the certificate's
  /// SHA-256 fingerprint for visitors to check ("AB:CD:…", empty without), and
  /// whether this start made the certificate (a self-signed one).
  std::unique_ptr<TlsContext> tlsContext;
  std::uint16_t boundTlsPort = 0;
  std::string tlsFingerprint;
  bool tlsCertificateMade = false;
  /// Why the last start failed, CP932 (e.g. the port and the reason); empty after a successful start.
  std::string startFailure;
  /// Where warnings go: the window shows a message box, headless prints it.
  /// Called on the thread that starts the server.
  void (*showWarning)(const std::string &cp932Text) = nullptr;
  /// The connection threads; StopServer waits until every one has returned.
  std::unique_ptr<ConnectionWorkers> workers;
  /// Failed Basic-auth attempts per client address, for this start.
  std::unique_ptr<AuthThrottle> authThrottle;
  /// Where a connection thread reports a client address it locked (headless:
  /// standard error); may be null.
  void (*showNotice)(const std::string &cp932Text) = nullptr;
};

/// 1 on success; 0 after a warning when bind or listen failed.
int StartServer(ServerContext &context);
/// Stops accepting, ends the connections still waiting for their request
/// header (408), gives responses under way settings->stopwait milliseconds and
/// then cuts them off, waits for every connection thread and writes out the
/// log buffer. Never waits on any other thread than the server's own.
void StopServer(ServerContext &context);
/// StopServer, reload ruz.ini, StartServer.
void RestartServer(ServerContext &context);

/// Connections being served now.
int ActiveConnections(const ServerContext &context);

}  // namespace ruz
