// Whether a connection may carry another request after the response under way:
// what the connection offers before the producers run, and how the producer
// frames its body. The header composer writes the Connection line from it, and
// the connection keeps itself open only when the same rule holds.
#pragma once

#include <string_view>

namespace ruz {

struct RequestInfo;
struct ServerSettings;

/// How the client learns where a response body ends.
enum class BodyFraming {
  kUntilClose,  // the body ends when the connection closes
  kLength,      // Content-Length (a body of 0 bytes included)
  kChunked,     // Transfer-Encoding: chunked
};

struct ResponseFraming {
  /// Set before the producers run: the server keeps connections (keepalive > 0),
  /// the client asked to keep this one, its request is well-formed and its body
  /// will be read to its end. Producers frame their bodies only when this is set,
  /// so a connection that is never kept gets exactly the bytes it always got.
  bool keepAliveOffered = false;
  /// The client spoke HTTP/1.1 and so understands a chunked body.
  bool chunkedAllowed = false;
  /// The wait for the next request, for the Keep-Alive header line.
  int keepAliveSeconds = 0;
  /// Set by the producer before its header goes out.
  BodyFraming body = BodyFraming::kUntilClose;
  /// The connection may read another request after this response: without
  /// it every response ends its connection and says "Connection: Close".
  bool connectionReused = false;
  /// Set with the header: it said "Connection: keep-alive".
  bool keptInHeader = false;
};

/// The client wants its connection kept: HTTP/1.1 without "close" in its
/// Connection field, or HTTP/1.0 with "keep-alive" there (tokens of a
/// comma-separated list, letter case ignored).
bool ClientAsksToKeep(std::string_view protocol, std::string_view connectionField);

/// The most requests one connection carries; the last one says "Connection: Close".
inline constexpr int kMaxRequestsPerConnection = 1000;

/// What the connection offers once the request header has been read: keeping
/// it when the server keeps connections and the client asks to; chunked bodies
/// for HTTP/1.1 clients. The body framing is still to be chosen. The
/// connection is to be reused when it is offered, the request's body has a
/// known end (no Transfer-Encoding, and a POST or PUT states its length), and
/// it is not the connection's last request.
ResponseFraming OfferKeepAlive(const ServerSettings &settings, const RequestInfo &request,
                               int requestsServed);

/// Answers to a request that could not be read or was malformed: the
/// connection ends after them whatever was offered.
inline bool EndsConnectionByStatus(int code) {
  switch (code) {
    case 400: case 408: case 411: case 413: case 414: case 431:
      return true;
    default:
      return false;
  }
}

/// The response header says "Connection: keep-alive" (else "Connection: Close").
inline bool KeepsConnection(const ResponseFraming &framing, int code) {
  return framing.keepAliveOffered && framing.connectionReused &&
         framing.body != BodyFraming::kUntilClose &&
         !EndsConnectionByStatus(code);
}

}  // namespace ruz
