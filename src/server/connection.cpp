// The connection thread: the row of the connection, the request, and the fixed
// order of checks that chooses exactly one producer of the response.
#include "server/connection.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "cgi/cgi.h"
#include "cgi/child_process.h"
#include "common/lines.h"
#include "config/private_files.h"
#include "config/settings.h"
#include "server/completion.h"
#include "content/listing.h"
#include "content/static_file.h"
#include "content/status_page.h"
#include "http/status_rows.h"
#include "platform/files.h"
#include "platform/text_codes.h"
#include "http/access.h"
#include "http/auth_throttle.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/keep_alive.h"
#include "http/minimum_rate.h"
#include "http/server_shared.h"
#include "http/slot_pool.h"
#include "http/waiting_room.h"
#include "server/admission.h"
#include "server/pipeline.h"
#include "server/tls_start.h"
#include "http/request_info.h"
#include "http/request_reader.h"
#include "ssi/ssi.h"

namespace ruz {

namespace {

constexpr std::size_t kMaxHostName = 63;

/// How a request ends: the code, whether FinishRequest still has to send the
/// response for it, and the extra header lines for that response.
struct Outcome {
  int code = 0;
  bool send = false;
  std::string extra;
};

Outcome Refuse(ConnectionSlot &slot, std::string_view cp932Text, int code) {
  SetStatusText(slot, cp932Text);
  return {code, true, {}};
}

// An outcome of a producer: clear send flag on success, set on failure.
Outcome Produced(bool ok) { return ok ? Outcome{200, false, {}} : Outcome{500, true, {}}; }

std::string StartText(const DateTime &t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

void FillPeer(const ConnectionSlot &slot, RequestInfo &request) {
  request.remoteAddr = FormatIpAddress(slot.peer.address);
  request.remotePort = std::to_string(slot.peer.port);
  std::string name;
  if (HostLookupMode(*slot.settings) == HostLookup::kEveryConnection &&
      LookupHostName(slot.peer.address, name)) {
    request.remoteHost = name.substr(0, kMaxHostName);
  } else {
    request.remoteHost = request.remoteAddr;
  }
}

// A directory is redirected, replaced by its first index file (no
// outcome yet: the pipeline goes on), listed or refused.
std::optional<Outcome> ServeDirectory(ConnectionSlot &slot, RequestInfo &request,
                                      std::uint64_t &bytesSent) {
  const ServerSettings &settings = *slot.settings;
  if (request.localPath.back() != '/') {
    SendDirectoryRedirect(slot, request);
    return Outcome{302, false, {}};
  }
  std::string item;
  for (int n = 0; GetLine(item, settings.index, n); ++n) {
    std::string candidate = IsAbsoluteIndexItem(item) ? item : request.localPath + item;
    if (GetFileInfo(candidate).exists) {
      request.localPath = candidate;
      return std::nullopt;
    }
  }
  if (!settings.filelist) {
    return Refuse(slot, RUZ_CP932("ディレクトリを表示できません"), 403);
  }
  return Produced(SendDirectoryListing(slot, request, bytesSent));
}

// A CGI program, when a rule applies to the file and CGI may run here.
std::optional<Outcome> TryCgi(ConnectionSlot &slot, RequestInfo &request,
                              std::uint64_t &bytesSent) {
  const ServerSettings &settings = *slot.settings;
  if (!settings.cgiAllowed || !CgiAndSsiAllowed(settings, request.path)) return std::nullopt;
  int rule = FindCgiRule(settings, request.localPath);
  if (rule == -1) return std::nullopt;
  if (rule < 0) return Refuse(slot, RUZ_CP932("ファイルオープンエラー"), 500);
  if (HasChunkedBody(request)) return Refuse(slot, RUZ_CP932("リクエストボディの長さが不明です"), 411);
  return Produced(ServeCgi(slot, request, rule, bytesSent));
}

// A server-side include document, by its extension.
std::optional<Outcome> TrySsi(ConnectionSlot &slot, RequestInfo &request,
                              std::uint64_t &bytesSent) {
  const ServerSettings &settings = *slot.settings;
  if (!settings.ssi || !CgiAndSsiAllowed(settings, request.path)) return std::nullopt;
  if (FindLine(settings.ssiexts, LastExtension(request.localPath), false) < 0) return std::nullopt;
  return Produced(SendSsiDocument(slot, request, bytesSent) == SsiResult::kSent);
}

// An address that guessed passwords too often gets 429 for every further
// attempt (a request with credentials) until its lock ends.
std::optional<Outcome> RefuseLockedAddress(ConnectionSlot &slot, const RequestInfo &request) {
  if (slot.shared->authThrottle == nullptr || request.authorization.empty() ||
      !NeedsAuthentication(*slot.settings, request.path)) {
    return std::nullopt;
  }
  const long long seconds =
      slot.shared->authThrottle->LockedFor(request.remoteAddr, AuthThrottle::Clock::now());
  if (seconds == 0) return std::nullopt;
  SetStatusText(slot, RUZ_CP932("アクセス拒否"));
  return Outcome{429, true, "Retry-After: " + std::to_string(seconds)};
}

// Credentials that were refused count against their address; admitted ones
// clear its record.
void CountAuthAttempt(ConnectionSlot &slot, const RequestInfo &request, PathVerdict verdict) {
  if (slot.shared->authThrottle == nullptr || request.authorization.empty()) return;
  AuthThrottle &throttle = *slot.shared->authThrottle;
  if (verdict != PathVerdict::kAuthRequired) {
    // Only credentials that a rule checked and admitted clear the count.
    if (verdict == PathVerdict::kAdmitted && NeedsAuthentication(*slot.settings, request.path)) {
      throttle.RecordSuccess(request.remoteAddr);
    }
    return;
  }
  const FailureOutcome outcome =
      throttle.RecordFailure(request.remoteAddr, AuthThrottle::Clock::now());
  if (outcome.lockedNow) {
    throttle.Tell(request.remoteAddr + RUZ_CP932(": パスワードの失敗が続いたため ") +
                  std::to_string(outcome.lock.count()) + RUZ_CP932(" 秒間認証を受け付けません"));
  }
}

// The checks before the file system decides; fills file with what the
// request maps to.
std::optional<Outcome> Admit(ConnectionSlot &slot, RequestInfo &request, FileInfo &file,
                             std::uint64_t &bytesSent) {
  const ServerSettings &settings = *slot.settings;
  SetRowTexts(slot, {{kColMethod, request.method}, {kColPath, request.uri}});
  if (!IsSupportedMethod(request.method)) {
    return Refuse(slot, RUZ_CP932("対応していないメソッドです"), 501);
  }
  // The status page: first its own client list, then the path's rules.
  const bool statusPage = IsStatusPageRequest(settings, request);
  if (statusPage && !IsStatusPageAllowed(settings, request)) {
    return Refuse(slot, RUZ_CP932("アクセス拒否"), 403);
  }
  if (auto locked = RefuseLockedAddress(slot, request)) return locked;
  PathJudgement judgement = JudgeRequestPath(*slot.shared, request);
  CountAuthAttempt(slot, request, judgement.verdict);
  request.localPath = std::move(judgement.localPath);
  file = judgement.file;
  switch (judgement.verdict) {
    case PathVerdict::kAdmitted:
      if (!statusPage) return std::nullopt;
      break;
    case PathVerdict::kHostRefused: return Refuse(slot, RUZ_CP932("アクセス拒否"), 403);
    case PathVerdict::kBadPath:
    case PathVerdict::kTooLong: return Refuse(slot, RUZ_CP932("リクエストが不正です"), 400);
    case PathVerdict::kAuthRequired:
      SetStatusText(slot, RUZ_CP932("認証が必要"));
      return Outcome{401, true, std::move(judgement.challenge)};
    case PathVerdict::kNotFound: break;
  }
  if (statusPage) return Produced(SendStatusPage(slot, request, bytesSent));
  return Refuse(slot, RUZ_CP932("ファイルが見つかりません"), 404);
}

// A connection on the HTTPS port: its session, and the time that took of
// connecttimeout; an outcome when the connection ends here.
std::optional<Outcome> OpenTls(ConnectionSlot &slot, std::chrono::milliseconds &spent) {
  const auto began = std::chrono::steady_clock::now();
  const TlsStart start = StartTls(slot, slot.settings->connecttimeout);
  if (!start.ready) return Outcome{start.code, false, {}};
  spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                began);
  return std::nullopt;
}

// The whole request: read, admitted, then exactly one producer answers.
Outcome Decide(ConnectionSlot &slot, RequestInfo &request, std::uint64_t &bytesSent) {
  std::chrono::milliseconds spent{0};
  if (slot.transport == Transport::kTls && !slot.tls.IsValid()) {
    if (auto ended = OpenTls(slot, spent)) return *ended;
  }
  if (int result = ReadRequest(slot, request, spent); result != 0) return {result, true, {}};
  slot.framing = OfferKeepAlive(*slot.settings, request, slot.requestsServed);
  FileInfo file;
  if (auto refused = Admit(slot, request, file, bytesSent)) return *refused;
  if (file.isDirectory) {
    if (auto served = ServeDirectory(slot, request, bytesSent)) return *served;
    file = LookUpFile(*slot.shared, request.localPath);  // the index file it chose
  }
  // The program's own files (settings, log, TLS key and certificate) are no
  // business of a client, whatever the document root or an alias makes reachable.
  if (IsPrivateFile(*slot.shared, file)) {
    return Refuse(slot, RUZ_CP932("ファイルが見つかりません"), 404);
  }
  if (auto served = TryCgi(slot, request, bytesSent)) return *served;
  if (auto served = TrySsi(slot, request, bytesSent)) return *served;
  int code = SendFile(slot, request, {.conditional = true, .useRange = true}, bytesSent);
  return {code, code != 200 && code != 206, {}};
}

}  // namespace

namespace {

// One request on the connection: its row, the response and the log line.
ConnectionEnd ServeRequest(ConnectionSlot &slot) {
  const DateTime arrival = GetLocalDateTime();
  slot.startTime = &arrival;
  RequestInfo request;
  NewRequestInfo(request);
  FillPeer(slot, request);
  const std::string startText = StartText(arrival);
  ShowConnectionRow(slot, request.remoteHost,
                    {{kColStart, startText}, {kColStatus, RUZ_CP932("接続")}});
  // Sends are bounded by the same time as receives, so a client that stops
  // reading its response for 20 s ends the connection instead of holding the
  // slot (see minimum_rate.h). A
  // TLS socket keeps the limits it was given for its first request (setting
  // them costs system calls).
  if (slot.requestsServed == 0 || !slot.tls.IsValid()) {
    LimitClientWaits(slot, LongestClientWaitMs(slot.settings->connecttimeout));
  }
  std::uint64_t bytesSent = 0;
  Outcome outcome = Decide(slot, request, bytesSent);
  const ConnectionEnd end =
      FinishRequest(slot, request, std::move(outcome.extra), bytesSent, outcome.code, outcome.send);
  slot.startTime = nullptr;
  return end;
}

// A kept connection whose socket became readable: its next request has begun
// when bytes arrive. A client that closed instead, or sent nothing after all,
// is let go quietly: no row, no log line.
bool NextRequestBegins(ConnectionSlot &slot) {
  if (!slot.received.empty()) return true;
  char piece[16384];
  if (!slot.tls.IsValid()) SetClientReceiveTimeout(slot, std::max(slot.settings->keepalive, 1) * 1000);
  const RecvResult r = ReceiveFromClient(slot, piece, sizeof piece);
  if (r.status != RecvStatus::kOk || r.bytes == 0) return false;
  slot.received.assign(piece, r.bytes);
  return true;
}

}  // namespace

namespace {

// The connection in the slot, request after request while it is kept and its
// next request is here already.
void ServeOneConnection(ConnectionSlot &slot) {
  while (slot.requestsServed == 0 || NextRequestBegins(slot)) {
    if (ServeRequest(slot) == ConnectionEnd::kClosed) break;
    AcceptedConnection kept = ReleaseConnection(slot);
    WaitingRoom *room = slot.shared->room;
    if (room == nullptr || room->IsClosed()) break;
    const bool inputWaits = !kept.received.empty() || kept.tls.HasBufferedInput();
    if (!inputWaits) {
      room->Park(std::move(kept));
      break;
    }
    // The next request is here already (pipelined): served on this slot.
    OpenSlot(slot, kept);
  }
}

}  // namespace

void ServeConnection(ConnectionSlot &slot) {
  // Then the slot goes to a connection queued for one, served on this thread
  // too, or back to the pool; nothing after that may read the slot.
  do {
    ServeOneConnection(slot);
  } while (slot.pool->PassOn(slot) != nullptr);
}

}  // namespace ruz
