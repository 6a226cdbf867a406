// The server instance: its listeners, its connection slots and its log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/settings.h"
#include "http/auth_throttle.h"
#include "http/connection_slot.h"
#include "http/server_shared.h"
#include "http/server_watch.h"
#include "http/slot_pool.h"
#include "http/status_table.h"
#include "http/waiting_room.h"
#include "log/access_log.h"
#include "platform/error_relay.h"
#include "platform/poller.h"
#include "platform/tls.h"
#include "server/listeners.h"
#include "server/workers.h"

namespace ruz {

struct ServerContext {
  /// The status list the connections write; owned by the front end and
  /// outliving the server.
  StatusTable *statusTable = nullptr;
  ServerSettings *settings = nullptr;
  /// One per address bindaddress names (and per port); the connection
  /// threads wait on all of them through the poller.
  std::vector<Listener> listeners;
  std::unique_ptr<Poller> poller;
  /// What every connection of this start shares, made at the start.
  std::unique_ptr<ServerShared> shared;
  std::unique_ptr<AccessLog> accessLog;
  std::unique_ptr<FileCache> files;
  std::unique_ptr<SlotPool> slots;
  /// Kept connections between requests (none without keepalive).
  std::unique_ptr<WaitingRoom> room;
  /// The slot queue's timer (with keepalive; -1 without), owned by slots.
  int queueTimer = -1;
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
  std::unique_ptr<ConnectionThreads> threads;
  /// This start's figures for the window and the status page; made anew by
  /// each start and kept after a stop, so the last figures stay readable.
  std::unique_ptr<ServerWatch> watch;
  /// Failed Basic-auth attempts per client address, for this start.
  std::unique_ptr<AuthThrottle> authThrottle;
  /// Where a connection thread reports a client address it locked (headless:
  /// standard error); may be null.
  void (*showNotice)(const std::string &cp932Text) = nullptr;
  /// Where programs' standard error is copied (headless: standard error, each
  /// line led by the program's path); null discards it. Owned by the front end.
  ErrorLineRelay *programErrors = nullptr;
};

}  // namespace ruz
