// The first bytes on the HTTPS port and the handshake.
#include "server/tls_start.h"

#include <chrono>
#include <string_view>

#include "http/connection_slot.h"
#include "http/server_shared.h"
#include "http/status_rows.h"
#include "platform/text_codes.h"

namespace ruz {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBadRequest = 400;
constexpr int kTimedOut = 408;
constexpr int kServerError = 500;

TlsStart Ended(ConnectionSlot &slot, const char *utf8Text, int code) {
  SetStatusText(slot, Utf8ToCp932(utf8Text));
  return {false, code};
}

// A client without a session can be told nothing: the connection is shut at
// once, so that its close does not wait for the client as a response's does.
TlsStart Abandoned(ConnectionSlot &slot, const char *utf8Text, int code) {
  slot.socket.ShutdownBoth();
  return Ended(slot, utf8Text, code);
}

bool GivenUp(const ConnectionSlot &slot) {
  return slot.headerPhase.load(std::memory_order_relaxed) == HeaderPhase::kGivenUp;
}

// A client that speaks plain HTTP to the HTTPS port is told so in plain text.
TlsStart AnswerPlainRequest(ConnectionSlot &slot) {
  slot.socket.SendAll(kPlainHttpOnTlsPortResponse);
  slot.headerSent = true;
  return Ended(slot, "HTTPS のポートに平文のリクエスト", kBadRequest);
}

TlsStart Handshake(ConnectionSlot &slot, int timeoutMs, Clock::time_point deadline) {
  int left = 0;
  if (timeoutMs > 0) {
    left = static_cast<int>(
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (left <= 0) return Abandoned(slot, "接続タイムアウト", kTimedOut);
  }
  slot.tls = TlsSession(*slot.shared->tlsContext, slot.socket.Descriptor());
  if (!slot.tls.IsValid()) return Abandoned(slot, "TLS を準備できません", kServerError);
  const HandshakeResult result = slot.tls.Accept(left);
  if (result == HandshakeResult::kDone) return {true, 0};
  // A slot given up to a new connection has had its receiving side shut.
  if (result == HandshakeResult::kTimeout || GivenUp(slot)) {
    return Abandoned(slot, "接続タイムアウト", kTimedOut);
  }
  if (result == HandshakeResult::kClosed) return Abandoned(slot, "相手側で切断", kBadRequest);
  return Abandoned(slot, "TLS ハンドシェイク失敗", kBadRequest);
}

}  // namespace

TlsStart StartTls(ConnectionSlot &slot, int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  // Until the session is up the connection waits for its client, so it may
  // be made to give up its slot like one waiting for its request header.
  MarkAwaitingClient(slot, true);
  char first = 0;
  const RecvResult peeked = slot.socket.Peek(&first, 1);  // bounded by the socket's time-out
  TlsStart start;
  if (peeked.status == RecvStatus::kTimeout || GivenUp(slot)) {
    start = Abandoned(slot, "接続タイムアウト", kTimedOut);
  } else if (peeked.status != RecvStatus::kOk) {
    start = Abandoned(slot, "相手側で切断", kBadRequest);
  } else if (!LooksLikeTlsClientHello(std::string_view(&first, 1))) {
    start = AnswerPlainRequest(slot);
  } else {
    start = Handshake(slot, timeoutMs, deadline);
  }
  MarkAwaitingClient(slot, false);
  return start;
}

}  // namespace ruz
