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
#include "http/minimum_rate.h"
#include "http/status_table.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/socket.h"
#include "platform/tls.h"

namespace ruz {

class AuthThrottle;
class SlotPool;
struct ServerShared;

/// How a connection speaks HTTP: in plain text, or inside TLS (HTTPS).
enum class Transport { kPlain, kTls };

/// A connection without a slot: just accepted (with the transport of the
/// listener it came in on), or kept open between two requests.
struct AcceptedConnection {
  Socket socket;
  PeerAddress peer;
  Transport transport = Transport::kPlain;
  /// A kept connection's TLS session, the bytes it has already received of
  /// its next request, and the requests it has carried so far.
  TlsSession tls;
  std::string received;
  int requestsServed = 0;
  /// The socket is on the shared poller already (it waited there before).
  bool watched = false;
};

/// How far a connection has come with its request header. A connection still
/// reading it can be told to give up its slot (to a new connection, or to a
/// stopping server); one whose header is complete keeps it.
enum class HeaderPhase { kReading, kComplete, kGivenUp };

/// One connection's own state, from accept to close; a new connection starts
/// from a fresh value (assigned whole, never reset field by field).
struct ConnectionState {
  Socket socket;
  PeerAddress peer;
  Transport transport = Transport::kPlain;
  /// When the connection was accepted (read under the pool's lock by the
  /// thread that looks for a connection to give way).
  std::chrono::steady_clock::time_point acceptedAt;
  /// The TLS session of a kTls connection once its handshake has begun; every
  /// read and write of the client goes through it then (see client_stream.h).
  TlsSession tls;
  RowId row = 0;  // the connection's row; 0 before it is shown
  const DateTime *startTime = nullptr;
  /// Set by SendResponseHeader: a response header has gone out on this
  /// connection, so FinishRequest must not send a second one.
  bool headerSent = false;
  /// The status line sent with it, without "HTTP/1.1 " ("302 Found").
  std::string sentStatus;
  /// Whether this response may leave the connection open for another request.
  ResponseFraming framing;
  /// Bytes received after the request header: what the next receive returns
  /// first.
  std::string received;
  /// Output kept to go out together with the next send (see HoldNextSend).
  std::string heldOutput;
  bool holdNextSend = false;
  /// The client may still be sending: the header did not end cleanly, it
  /// announced a body, or bytes came after it. Its close then lingers.
  bool inputMayRemain = true;
  /// Requests this connection carried before the one under way.
  int requestsServed = 0;
  /// Bytes of the request's stated body (Content-Length) not yet received.
  std::uint64_t bodyLeft = 0;
  /// A send to the client failed: the response did not arrive whole.
  bool clientLost = false;
  /// How fast the client has taken what was sent on this connection.
  ReadingPace readingPace;
  /// The socket is on the shared poller (see AcceptedConnection).
  bool watched = false;
};

/// A connection slot: the connection's own state, the pointers of the server
/// start it belongs to (set once by its pool), and what other threads may do
/// to it.
struct ConnectionSlot : ConnectionState {
  /// The server start's shared record; settings and statusTable are its own,
  /// named here because every producer reads them.
  const ServerShared *shared = nullptr;
  const ServerSettings *settings = nullptr;
  StatusTable *statusTable = nullptr;
  SlotPool *pool = nullptr;  // where the end of the request returns the slot

  // Shared with the accepting and stopping threads.
  std::atomic<HeaderPhase> headerPhase{HeaderPhase::kReading};
  /// The connection's thread has taken every byte that arrived and waits for
  /// the client (a busy server that has not got round to reading a header
  /// that is there is not the client's fault).
  std::atomic<bool> awaitingClient{false};
  /// When the present wait for the client began, and how long the waits of
  /// this request before it lasted (steady clock ticks).
  std::atomic<std::int64_t> awaitingSince{0};
  std::atomic<std::int64_t> awaitedBefore{0};
  std::atomic<bool> cutOff{false};  // the server is stopping: the response ends now
  std::atomic<bool> shed{false};    // made to give way to a new connection
  std::mutex interruptLock;         // held while the socket is shut or closed across threads
  int childProcessGroup = 0;        // a running CGI or exec program (under interruptLock)
};

/// Prepares a free slot for a new connection (its socket is moved in).
void OpenSlot(ConnectionSlot &slot, AcceptedConnection &connection);

/// The connection's own thread: takes the connection out of the slot to keep it
/// for its next request (the slot is then as if closed).
AcceptedConnection ReleaseConnection(ConnectionSlot &slot);

/// The connection's own thread: the header is complete. False when the slot
/// has already been told to give up (the request must end as a time-out).
bool MarkHeaderComplete(ConnectionSlot &slot);

/// Another thread: tells a connection still reading its header to give up, and
/// wakes it by shutting the receiving side. False when its header is complete.
bool TellToGiveUp(ConnectionSlot &slot);

/// The connection's own thread: it waits for its client from now (true) or no
/// longer (false); a busy server may end a long wait for a new client. At the
/// end of a wait, how long it lasted (zero at its start).
std::chrono::steady_clock::duration MarkAwaitingClient(ConnectionSlot &slot, bool awaiting);

/// Another thread: ends a response under way at once: the socket is shut in
/// both directions and a running program is killed with its process group.
void CutOff(ConnectionSlot &slot);

/// Another thread: ends the connection of a client that keeps the server
/// waiting, so its slot goes to a new connection: like CutOff, but the request
/// ends as one whose client vanished.
void Shed(ConnectionSlot &slot);

/// Any thread: the connection has been told to end (given up, cut off or
/// shed), so its slot comes free soon.
bool IsGivingWay(const ConnectionSlot &slot);

/// The connection's own thread: records the process group of a program that
/// runs for the connection (0 when it has ended), so CutOff can end it.
void SetChildProcessGroup(ConnectionSlot &slot, int processGroup);

/// The connection's own thread: ends the TLS session and closes the socket, so
/// no other thread shuts a descriptor number that has been reused.
void CloseSlotSocket(ConnectionSlot &slot);

}  // namespace ruz
