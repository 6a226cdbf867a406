// The start of a connection that came in on the HTTPS port: a plain-HTTP
// request gets a short answer in plain text, anything else the TLS handshake.
#pragma once

namespace ruz {

struct ConnectionSlot;

/// How the start went: ready when the session is up (every later read and
/// write of the client goes through it); otherwise the connection ends with
/// code for the log, nothing more to send, and its status text already shown.
struct TlsStart {
  bool ready = false;
  int code = 0;
};

/// Waits for the client's first bytes and shakes hands, within timeoutMs in
/// all (0 or less: no limit). A connection told to give up its slot while it
/// waits ends as a time-out.
TlsStart StartTls(ConnectionSlot &slot, int timeoutMs);

}  // namespace ruz
