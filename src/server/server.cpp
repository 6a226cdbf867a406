// Starting, stopping and restarting the server instance, and the accept loop
// that gives each connection a slot and a thread.
#include <algorithm>
#include <chrono>
#include <string>

#include "common/append_file.h"
#include "platform/text_codes.h"
#include "server/connection.h"
#include "server/context.h"
#include "server/tls_setup.h"
#include "server/workers.h"

namespace ruz {

namespace {

using Clock = std::chrono::steady_clock;

// How long a connection thread waits for the next connection before it exits.
constexpr std::chrono::milliseconds kWorkerLinger{1000};
// A connection that has not completed its request header within this time can
// be made to give up its slot to a new connection when every slot is taken.
constexpr std::chrono::milliseconds kIdleBeforeGivingUp{1000};
// How long the accepting thread waits for a slot that a connection was told
// to give up; it only has to send a short answer and close.
constexpr std::chrono::milliseconds kGiveUpWait{2000};
// How long a new connection that finds every slot taken waits for one to be
// returned before it is closed: a client that reconnects the moment it has
// its answer arrives while its previous connection writes its log line.
constexpr std::chrono::milliseconds kReturnWait{1000};

void Warn(const ServerContext &context, const std::string &utf8Text) {
  if (context.showWarning != nullptr) context.showWarning(Utf8ToCp932(utf8Text));
}

// How long the accepting thread pauses after the system refused to hand over
// a connection (out of descriptors), so that it does not spin.
constexpr int kAcceptRetryPauseMs = 100;

// A slot for a new connection. When every slot is taken, the connection that
// has waited longest for its request header gives its slot up; when every
// connection has a complete header, the new one waits a moment for a slot to
// be returned, and is closed (nullptr) when none is.
ConnectionSlot *TakeSlot(SlotPool &slots, AcceptedConnection &connection) {
  if (ConnectionSlot *slot = slots.TryTake(connection)) return slot;
  const bool givenUp = slots.TellLongestWaitingToGiveUp(kIdleBeforeGivingUp);
  return slots.TakeBefore(Clock::now() + (givenUp ? kGiveUpWait : kReturnWait), connection);
}

// Takes what waits on every listener, so that a busy one cannot starve the
// others. False when the system refuses connections for now.
bool TakeWaitingConnections(ServerContext &context) {
  bool refused = false;
  for (const Listener &listener : context.listeners) {
    AcceptResult taken = TakeConnection(listener.socket);
    if (taken.status == AcceptStatus::kFailed) refused = true;
    if (taken.status != AcceptStatus::kAccepted) continue;
    AcceptedConnection connection{std::move(taken.socket), taken.peer, listener.transport};
    ConnectionSlot *slot = TakeSlot(*context.slots, connection);
    if (slot == nullptr) continue;  // closed at once by the socket's destructor
    if (!context.workers->Start(*slot)) context.slots->Return(*slot);  // closes the socket
  }
  return !refused;
}

void AcceptLoop(ServerContext &context) {
  const int stopFd = context.acceptStop->Descriptor();
  std::vector<int> fds{stopFd};
  for (const Listener &listener : context.listeners) fds.push_back(listener.socket.Descriptor());
  for (;;) {
    if (WaitForReadable(fds, -1) <= 0) return;  // stopped, or the wait failed
    if (!TakeWaitingConnections(context) &&
        WaitForReadable({stopFd}, kAcceptRetryPauseMs) == 0) {
      return;
    }
  }
}

void WriteOutLogBuffer(ServerContext &context) {
  if (context.logBuffer != nullptr) context.logFile->Append(context.logBuffer->text);
  context.logBuffer.reset();
}

void MakeSlots(ServerContext &context) {
  const ServerSettings &settings = *context.settings;
  if (settings.logwrite) {
    context.logLock = std::make_unique<std::mutex>();
    context.logFile = std::make_unique<AppendingFile>(ExeRelativePath(settings.logname));
    if (settings.mem) {
      context.logBuffer = std::make_unique<LogBuffer>();
      context.logBuffer->capacity = static_cast<std::size_t>(std::max(settings.bufmax, 0));
    }
  }
  ConnectionSlot prototype;
  prototype.settings = context.settings;
  prototype.statusTable = context.statusTable;
  prototype.logBuffer = context.logBuffer.get();
  prototype.logFile = context.logFile.get();
  prototype.logLock = context.logLock.get();
  prototype.tlsContext = context.tlsContext.get();
  context.authThrottle = std::make_unique<AuthThrottle>(AuthThrottleLimits{}, context.showNotice);
  prototype.authThrottle = context.authThrottle.get();
  context.slots = std::make_unique<SlotPool>(settings.maxconnect, prototype);
}

// Connections still waiting for their request header end at once (408);
// responses under way get stopwait, then they are cut off.
void EndConnections(ServerContext &context) {
  SlotPool &slots = *context.slots;
  slots.ForEachTaken([](ConnectionSlot &slot) { TellToGiveUp(slot); });
  const int stopwait = std::max(context.settings->stopwait, 0);
  if (slots.WaitUntilAllFree(Clock::now() + std::chrono::milliseconds(stopwait))) return;
  slots.ForEachTaken([](ConnectionSlot &slot) { CutOff(slot); });
  slots.WaitUntilAllFree();
}

}  // namespace

namespace {

// The certificate for HTTPS; a problem with it is a warning, and the server
// runs without HTTPS.
void SetUpTls(ServerContext &context) {
  TlsSetup setup = PrepareTls(*context.settings);
  if (!setup.warning.empty()) {
    Warn(context, "HTTPS を開始できません\n" + Cp932ToUtf8(setup.warning));
    return;
  }
  context.tlsContext = std::move(setup.context);
  context.tlsFingerprint = setup.fingerprint;
  context.tlsCertificateMade = setup.made;
}

bool OpenListenersOf(const ServerContext &context, const std::vector<BindTarget> &targets,
                     std::vector<Listener> &listeners, ListenFailure &failure) {
  const ServerSettings &settings = *context.settings;
  if (!OpenListeners(targets, settings.port, Transport::kPlain, listeners, failure)) return false;
  if (context.tlsContext == nullptr ||
      OpenListeners(targets, settings.tlsport, Transport::kTls, listeners, failure)) {
    return true;
  }
  failure.line = "HTTPS " + failure.line;
  return false;
}

// The listeners of the settings, or false after the warning.
bool OpenServerListeners(ServerContext &context) {
  const ServerSettings &settings = *context.settings;
  const std::vector<BindTarget> targets = BindTargets(settings.bindaddress);
  ListenFailure failure;
  if (targets.empty()) {
    failure.line = "bindaddress \"" + Cp932ToUtf8(settings.bindaddress) + "\": アドレスではありません";
  } else if (OpenListenersOf(context, targets, context.listeners, failure)) {
    return true;
  }
  context.listeners.clear();
  context.startFailure = Utf8ToCp932(failure.line);
  Warn(context, (failure.listenStep ? "接続待機に失敗しました\n" : "ソケットのバインドに失敗しました\n") +
                    failure.line);
  return false;
}

}  // namespace

int StartServer(ServerContext &context) {
  context.isRunning = false;
  context.listeners.clear();
  context.tlsContext.reset();
  context.tlsFingerprint.clear();
  context.tlsCertificateMade = false;
  if (context.settings->tlsport != 0) SetUpTls(context);
  if (!OpenServerListeners(context)) {
    context.tlsContext.reset();
    return 0;
  }
  context.startFailure.clear();
  context.boundPort = context.listeners.front().port;
  context.boundTlsPort = context.tlsContext ? context.listeners.back().port : 0;
  MakeSlots(context);
  context.workers = std::make_unique<ConnectionWorkers>(
      [](ConnectionSlot &slot) { ServeConnection(&slot); }, kWorkerLinger);
  context.acceptStop = std::make_unique<EventFd>();
  context.acceptThread = std::thread([&context] { AcceptLoop(context); });
  context.isRunning = true;
  return 1;
}

void StopServer(ServerContext &context) {
  if (!context.isRunning) return;
  context.acceptStop->Signal();
  // The accept thread ends first, so no slot is taken after the wait below
  // has looked at it.
  if (context.acceptThread.joinable()) context.acceptThread.join();
  context.listeners.clear();  // new clients are refused from now on
  context.acceptStop.reset();
  EndConnections(context);
  context.workers.reset();  // lets idle threads go and waits for every thread
  WriteOutLogBuffer(context);
  context.logFile.reset();
  context.logLock.reset();
  context.slots.reset();
  context.tlsContext.reset();
  context.isRunning = false;
}

void RestartServer(ServerContext &context) {
  StopServer(context);
  FreeSettings(*context.settings);
  LoadSettings(*context.settings);
  StartServer(context);
}

int ActiveConnections(const ServerContext &context) {
  return context.slots != nullptr ? context.slots->TakenCount() : 0;
}

}  // namespace ruz
