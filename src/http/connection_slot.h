// The connection slot: one client connection from accept to the release of its
// slot, with what its producers need and what the accept and stop paths may do
// to it from other threads.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "config/settings.h"
#include "http/keep_alive.h"
#include "http/status_table.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/socket.h"
#include "platform/tls.h"

namespace ruz {

class AuthThrottle;
class SlotPool;

/// The in-memory access-log buffer: at most capacity - 1 bytes of text.
struct LogBuffer {
  std::size_t capacity = 0;
  std::string text;
};

/// How a connection speaks HTTP: in plain text, or inside TLS (HTTPS).
enum class Transport { kPlain, kTls };

/// A connection just accepted, with the transport of the listener it came in on.
struct AcceptedConnection {
  Socket socket;
  PeerAddress peer;
  Transport transport = Transport::kPlain;
};

/// How far a connection has come with its request header. A connection still
/// reading it can be told to give up its slot (to a new connection, or to a
/// stopping server); one whose header is complete keeps it.
enum class HeaderPhase { kReading, kComplete, kGivenUp };

struct ConnectionSlot {
  Socket socket;
  PeerAddress peer;
  Transport transport = Transport::kPlain;
  /// The TLS session of a kTls connection once its handshake has begun; every
  /// read and write of the client goes through it then (see client_stream.h).
  TlsSession tls;
  const TlsContext *tlsContext = nullptr;  // the server's certificate, for kTls connections
  const ServerSettings *settings = nullptr;
  StatusTable *statusTable = nullptr;
  RowId row = 0;  // the connection's row; 0 before it is shown
  const DateTime *startTime = nullptr;
  LogBuffer *logBuffer = nullptr;
  AppendingFile *logFile = nullptr;  // the access log kept open (under logLock)
  std::mutex *logLock = nullptr;
  SlotPool *pool = nullptr;  // where RecordRequestEnd returns the slot
  AuthThrottle *authThrottle = nullptr;  // the start's failed-password table; null: none
  /// Set by SendResponseHeader: a response header has gone out on this
  /// connection, so FinishRequest must not send a second one.
  bool headerSent = false;
  /// The status line sent with it, without "HTTP/1.1 " ("302 Found").
  std::string sentStatus;
  /// Whether this response may leave the connection open for another request.
  ResponseFraming framing;

  // Shared with the accepting and stopping threads.
  std::chrono::steady_clock::time_point acceptedAt;
  std::atomic<HeaderPhase> headerPhase{HeaderPhase::kReading};
  /// The connection's thread has taken every byte that arrived and waits for
  /// the client (a busy server that has not got round to reading a header
  /// that is there is not the client's fault).
  std::atomic<bool> awaitingClient{false};
  std::atomic<bool> cutOff{false};  // the server is stopping: the response ends now
  std::mutex interruptLock;         // held while the socket is shut or closed across threads
  int childProcessGroup = 0;        // a running CGI or exec program (under interruptLock)
};

/// Prepares a free slot for a new connection (its socket is moved in).
void OpenSlot(ConnectionSlot &slot, AcceptedConnection &connection);

/// The connection's own thread: the header is complete. False when the slot
/// has already been told to give up (the request must end as a time-out).
bool MarkHeaderComplete(ConnectionSlot &slot);

/// Another thread: tells a connection still reading its header to give up, and
/// wakes it by shutting the receiving side. False when its header is complete.
bool TellToGiveUp(ConnectionSlot &slot);

/// Another thread: ends a response under way at once: the socket is shut in
/// both directions and a running program is killed with its process group.
void CutOff(ConnectionSlot &slot);

/// The connection's own thread: records the process group of a program that
/// runs for the connection (0 when it has ended), so CutOff can end it.
void SetChildProcessGroup(ConnectionSlot &slot, int processGroup);

/// The connection's own thread: ends the TLS session and closes the socket, so
/// no other thread shuts a descriptor number that has been reused.
void CloseSlotSocket(ConnectionSlot &slot);

}  // namespace ruz
