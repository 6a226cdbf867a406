// One run of a child process: launch, body, header phase, output relay.
#include "cgi/child_process.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <optional>
#include <vector>

#include "cgi/environment_block.h"
#include "cgi/program_header.h"
#include "config/settings.h"
#include "http/request_info.h"
#include "platform/clock.h"
#include "platform/error_relay.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text_codes.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/minimum_rate.h"
#include "http/response_header.h"
#include "http/server_shared.h"

namespace ruz {

namespace {

constexpr int kBodySilenceMilliseconds = 50;
constexpr std::size_t kBodyBufferSize = 8192;
constexpr std::size_t kRelayBufferSize = 65536;  // the default capacity of a pipe

// The run's clock: elapsed milliseconds as an unsigned 32-bit difference of the
// wrapping tick counter, timed out when greater than the limit.
struct RunClock {
  std::uint32_t start = TickCount();
  std::uint32_t limit = 0;

  bool TimedOut() const { return TickCount() - start > limit; }
  // How long to wait so that TimedOut() holds on waking, at least 1 ms.
  int Remaining() const {
    const std::uint32_t elapsed = TickCount() - start;
    if (elapsed > limit) return 0;
    return static_cast<int>(std::min<std::uint64_t>(std::uint64_t{limit} - elapsed + 1, INT_MAX));
  }
};

// Paths reach the child in the file system's encoding; other values as bytes.
std::string SystemEntry(std::string_view entry) {
  const std::size_t eq = entry.find('=');
  const std::string_view name = entry.substr(0, eq);
  if (eq != std::string_view::npos &&
      (EqualsIgnoreCase(name, "SCRIPT_FILENAME") || EqualsIgnoreCase(name, "PATH_TRANSLATED")))
    return std::string(name) + "=" + Cp932ToUtf8(entry.substr(eq + 1));
  return std::string(entry);
}

SpawnOptions MakeSpawnOptions(const std::vector<std::string> &arguments,
                              std::string_view workingDirectory,
                              const EnvironmentBlock &environment, int errorOutput) {
  SpawnOptions options;
  options.errorOutput = errorOutput;
  for (const std::string &argument : arguments) options.arguments.push_back(Cp932ToUtf8(argument));
  if (!workingDirectory.empty()) options.workingDirectory = ToSystemPath(workingDirectory);
  for (std::string_view entry : EnvEntries(environment))
    options.environment.push_back(SystemEntry(entry));
  return options;
}

// Where the program's standard error goes: a relayed pipe whose lines name the
// file being run (the script, else the program), or nowhere (invalid) when the
// front end shows no error output.
Descriptor OpenErrorOutput(const ConnectionSlot &slot, const std::vector<std::string> &arguments,
                           const EnvironmentBlock &environment) {
  if (slot.shared == nullptr || slot.shared->programErrors == nullptr) return Descriptor();
  std::string name;
  if (!EnvGet(environment, "SCRIPT_FILENAME", name) || name.empty()) name = arguments.at(0);
  return slot.shared->programErrors->OpenWriter(Cp932ToUtf8(name));
}

using Clock = std::chrono::steady_clock;

// Milliseconds left until deadline, at least 1 while any is left, 0 after.
int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return 0;
  return static_cast<int>(std::min<long long>(left.count(), INT_MAX));
}

// Passes body bytes on. A program that stops reading its input is no error:
// the rest of the body is received and dropped.
RunResult PassOn(ChildProcess &child, std::string_view piece, const RunClock &clock) {
  if (child.WriteInput(piece, clock.Remaining()) == ChildWriteStatus::kTimeout) return kRunTimedOut;
  return kRunOk;
}

// Exactly body.length bytes, within the time-out from the body's start and at
// the minimum rate (see minimum_rate.h).
RunResult RelayLengthBody(ConnectionSlot &slot, ChildProcess &child, const RunClock &clock,
                          const RequestBody &body, Clock::time_point deadline) {
  if (body.sendContinue && !SendToClient(slot, std::string_view("HTTP/1.1 100 Continue\r\n\r\n")))
    return kRunClientGone;
  const Clock::time_point began = Clock::now();
  const int timeoutMs = slot.settings != nullptr ? slot.settings->connecttimeout : 0;
  std::vector<char> buffer(kBodyBufferSize);
  for (std::uint64_t left = body.length; left > 0;) {
    if (timeoutMs > 0) {
      deadline = began + AllowedSendingTime(ClientPart::kBody, body.length - left, timeoutMs);
    }
    const int wait = MillisecondsLeft(deadline);
    if (wait == 0 || !SetClientReceiveTimeout(slot, wait)) return kRunClientGone;
    const RecvResult received =
        ReceiveFromClient(
        slot, buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), left)));
    if (received.status != RecvStatus::kOk) return kRunClientGone;
    left -= received.bytes;
    if (const RunResult passed = PassOn(child, {buffer.data(), received.bytes}, clock);
        passed != kRunOk)
      return passed;
  }
  return kRunOk;
}

// What arrives until the client has been silent for 50 ms (a request that
// states no length), within the time-out from the body's start.
RunResult RelayBodyUntilSilent(ConnectionSlot &slot, ChildProcess &child, const RunClock &clock,
                               Clock::time_point deadline) {
  std::vector<char> buffer(kBodyBufferSize);
  for (;;) {
    const int wait = MillisecondsLeft(deadline);
    if (wait == 0) return kRunClientGone;
    SetClientReceiveTimeout(slot, std::min(wait, kBodySilenceMilliseconds));
    const RecvResult received = ReceiveFromClient(slot, buffer.data(), buffer.size());
    if (received.status == RecvStatus::kTimeout) {
      return wait > kBodySilenceMilliseconds ? kRunOk : kRunClientGone;
    }
    if (received.status != RecvStatus::kOk) return kRunClientGone;
    if (const RunResult passed = PassOn(child, {buffer.data(), received.bytes}, clock);
        passed != kRunOk)
      return passed;
  }
}

RunResult RelayBody(ConnectionSlot &slot, ChildProcess &child, const RunClock &clock,
                    const RequestBody &body) {
  const int timeoutMs = slot.settings != nullptr ? slot.settings->connecttimeout : 0;
  const Clock::time_point deadline =
      timeoutMs > 0 ? Clock::now() + std::chrono::milliseconds(timeoutMs) : Clock::time_point::max();
  switch (body.framing) {
    case RequestBody::Framing::kNone: return kRunOk;
    case RequestBody::Framing::kLength: return RelayLengthBody(slot, child, clock, body, deadline);
    case RequestBody::Framing::kUntilSilent:
      return RelayBodyUntilSilent(slot, child, clock, deadline);
  }
  return kRunOk;
}

bool EndsHeaderBlock(std::string_view header) {
  return header.ends_with("\r\n\r\n") || header.ends_with("\n\n") || header.ends_with("\r\r");
}

// Reads the header block one byte at a time, so that no byte of the body leaves
// the pipe. As in a zero-terminated text, a zero byte hides what follows it, so
// such a block never ends. Output that ends before the block does is reported
// at once instead of waiting for the time-out.
RunResult ReadHeaderBlock(ChildProcess &child, const RunClock &clock, std::string &header) {
  bool sawZero = false;
  for (;;) {
    if (header.size() >= kMaxCgiHeaderBytes) return kRunBadHeader;
    if (clock.TimedOut()) return kRunTimedOut;
    const bool exited = child.HasExited();  // before the read: its output is all in the pipe
    char c = 0;
    const ChildReadResult read = child.ReadOutput(&c, 1);
    if (read.status == ChildReadStatus::kData) {
      header.push_back(c);
      sawZero = sawZero || c == '\0';
      if (!sawZero && EndsHeaderBlock(header)) return kRunOk;
      continue;
    }
    if (read.status != ChildReadStatus::kNothingWaiting || exited) return kRunBadHeader;
    child.Wait(clock.Remaining());
  }
}

// Where the relayed body goes: at most limit bytes to the client (the rest
// is read and dropped), or nothing at all.
struct RelayTarget {
  OutputUse use = OutputUse::kRelay;
  std::optional<std::uint64_t> limit;
  std::uint64_t produced = 0;  // every byte the program wrote after its header
};

bool Deliver(ConnectionSlot &slot, RelayTarget &target, const char *data, std::size_t size,
             std::uint64_t &bytesSent) {
  const std::uint64_t before = target.produced;
  target.produced += size;
  if (target.use == OutputUse::kDiscard) return true;
  if (target.limit) {
    if (before >= *target.limit) return true;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, *target.limit - before));
  }
  if (!SendBodyToClient(slot, std::string_view(data, size))) return false;
  bytesSent += size;
  return true;
}

// Relays whatever is waiting in one read and one send per pass, until the
// program has ended and its output pipe holds nothing more.
RunResult RelayOutput(ConnectionSlot &slot, ChildProcess &child, const RunClock &clock,
                      std::uint64_t &bytesSent, RelayTarget &target) {
  std::vector<char> buffer(kRelayBufferSize);
  for (;;) {
    if (clock.TimedOut()) return kRunTimedOut;
    const bool exited = child.HasExited();
    const ChildReadResult read = child.ReadOutput(buffer.data(), buffer.size());
    if (read.status == ChildReadStatus::kData) {
      if (!Deliver(slot, target, buffer.data(), read.bytes, bytesSent)) return kRunClientGone;
      continue;
    }
    if (exited) return kRunOk;
    child.Wait(clock.Remaining());
  }
}

// The framing of a program's body on a connection that may be kept: its own
// length, else chunks for an HTTP/1.1 client, else the end of the connection.
void FrameProgramBody(ConnectionSlot &slot, const ProgramHeader &header) {
  ResponseFraming &framing = slot.framing;
  if (!framing.keepAliveOffered) return;
  if (header.contentLength) {
    framing.body = BodyFraming::kLength;
  } else if (framing.chunkedAllowed) {
    framing.body = BodyFraming::kChunked;
  }
}

bool SendCgiHeader(ConnectionSlot &slot, std::string lines) {
  lines += "Cache-Control: no-cache\r\nPragma: no-cache\r\n";
  return SendResponseHeader(slot, 200, lines);
}

RunResult RunStarted(ConnectionSlot &slot, ChildProcess &child, std::uint64_t &bytesSent,
                     const RequestBody &body, HeaderMode mode, OutputUse use) {
  RunClock clock;
  clock.limit = static_cast<std::uint32_t>(slot.settings ? slot.settings->processtimeout : 0);
  if (const RunResult relayed = RelayBody(slot, child, clock, body); relayed != kRunOk)
    return relayed;
  child.CloseInput();
  clock.start = TickCount();  // the time spent on the body does not count
  RelayTarget target{use, std::nullopt, 0};
  if (mode != HeaderMode::kNone) {
    std::string block;
    const RunResult result = ReadHeaderBlock(child, clock, block);
    if (result != kRunOk) return result;
    if (mode == HeaderMode::kSend) {
      ProgramHeader header;
      if (!ParseProgramHeader(block, header)) return kRunBadHeader;
      target.limit = header.contentLength;
      FrameProgramBody(slot, header);
      if (!SendCgiHeader(slot, std::move(header.lines))) return kRunClientGone;
    }
  }
  const RunResult relayed = RelayOutput(slot, child, clock, bytesSent, target);
  // A body that does not match its stated length leaves the client unsure where
  // it ends: the connection ends with it, as it does after a run that failed.
  if (relayed != kRunOk || (target.limit && target.produced != *target.limit)) {
    slot.framing.body = BodyFraming::kUntilClose;
  }
  // Only a program that answers the request ends its body; an SSI exec is a
  // piece of the document's.
  const bool endsBody = mode == HeaderMode::kSend && use == OutputUse::kRelay;
  if (relayed == kRunOk && endsBody && !EndBodyToClient(slot)) return kRunClientGone;
  return relayed;
}

}  // namespace

RequestBody BodyOf(const RequestInfo &request) {
  RequestBody body;
  const std::string &length = request.contentLength;
  const bool stated = !length.empty() && length.size() <= 19 &&
                      std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (stated) {
    body.framing = RequestBody::Framing::kLength;
    body.length = std::stoull(length);
    body.sendContinue = body.length > 0 && EqualsIgnoreCase(request.expect, "100-continue");
  } else if (request.method != "GET" && request.method != "HEAD") {
    body.framing = RequestBody::Framing::kUntilSilent;
  }
  return body;
}

bool HasChunkedBody(const RequestInfo &request) {
  return FindIgnoreCase(request.transferEncoding, "chunked") != std::string::npos;
}

const std::string &RunResultText(RunResult result) {
  switch (result) {
    case kRunOk:
      return RUZ_CP932("正常終了");
    case kRunClientGone:
      return RUZ_CP932("相手側で切断");
    case kRunBadHeader:
      return RUZ_CP932("CGI出力ヘッダが不正です");
    case kRunTimedOut:
      return RUZ_CP932("CGIプロセス実行タイムアウト");
    case kRunLaunchFailed:
      break;
  }
  return RUZ_CP932("CGIプロセス実行失敗");
}

RunResult RunChildProcess(ConnectionSlot &slot, const std::vector<std::string> &arguments,
                          std::string_view workingDirectory, const EnvironmentBlock &environment,
                          std::uint64_t &bytesSent, const RequestBody &body, HeaderMode mode,
                          OutputUse use) {
  ChildProcess child;
  std::string error;
  const Descriptor errorOutput = OpenErrorOutput(slot, arguments, environment);
  const int errorFd = errorOutput.IsValid() ? errorOutput.Get() : SpawnOptions::kDiscardErrors;
  if (!child.Start(MakeSpawnOptions(arguments, workingDirectory, environment, errorFd), error))
    return kRunLaunchFailed;
  SetChildProcessGroup(slot, child.ProcessId());
  RunResult result = RunStarted(slot, child, bytesSent, body, mode, use);
  SetChildProcessGroup(slot, 0);
  // A stopping server killed the program: the client did not get it all.
  if (slot.cutOff.load()) result = kRunClientGone;
  // A finished run has nothing left to end; every other one ends the program
  // and whatever it started. The destructor reaps and closes.
  if (result != kRunOk) child.Terminate();
  return result;
}

}  // namespace ruz
