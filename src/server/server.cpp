// Starting and stopping the server instance, and what a
// connection thread does when a listener has a connection for it: accept it,
// give it a slot and serve it.
#include "server/server.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>

#include "http/waiting_room.h"
#include "platform/events.h"
#include "platform/text_codes.h"
#include "server/connection.h"
#include "server/tls_setup.h"
#include "server/workers.h"

namespace ruz {

namespace {

using Clock = std::chrono::steady_clock;

// How long a connection thread waits for the next connection before it exits
// (when another thread still waits).
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
// With keepalive: a connection that has kept the server waiting this long
// (for the rest of its header, its body, or room to send its response) gives
// up its slot to a connection waiting in line. Short enough that slots turn
// over faster than an attacker opens connections; a client that sends its
// request and reads its response as it comes never waits this long.
constexpr std::chrono::milliseconds kSlowClientGivesWay{100};
// With keepalive: how long a new connection that finds every slot taken waits
// in line for one before it is closed.
constexpr std::chrono::milliseconds kNewSlotWait{2000};
// How long a kept connection whose next request has come waits for a slot
// before it is closed: it is served in turn once a busy server has a slot.
constexpr std::chrono::milliseconds kKeptSlotWait{30000};
// The poller tag of the slot queue's timer, beside the waiting room's.
constexpr std::uint64_t kQueueTimerTag = WaitingRoom::kTimerTag - 1;

// Files up to one piece of a response body are kept in memory; a change on
// disk is seen within a second.
constexpr FileCacheLimits kFileCacheLimits{
    .largestFile = 64 * 1024,
    .totalBytes = 8 * 1024 * 1024,
    .entries = 4096,
    .revalidateAfter = std::chrono::milliseconds(1000),
};

void Warn(const ServerContext &context, const std::string &utf8Text) {
  if (context.showWarning != nullptr) context.showWarning(Utf8ToCp932(utf8Text));
}

// Kept connections waiting at once, at most, and the share of them one client
// address may hold: a quarter, so no single address fills the room.
constexpr std::size_t kMaxWaitingConnections = 4096;
constexpr std::size_t kFewestWaitingConnections = 64;  // under a very low descriptor limit
constexpr std::size_t kAddressShare = 4;
// A new connection's first bytes: how long it may wait for them in the room
// (connecttimeout when that is shorter), after the system has held it back
// for up to kDeferAcceptSeconds.
constexpr std::chrono::milliseconds kFirstBytesWait{20000};
constexpr int kDeferAcceptSeconds = 1;

// How long a thread pauses after the system refused to hand over a
// connection (out of descriptors), so that it does not spin.
constexpr int kAcceptRetryPauseMs = 100;

// A slot for a connection. When every slot is taken: without keepalive, the
// connection that has waited longest for its header gives its slot up and the
// new one waits a moment for a slot; with keepalive, it is queued without a
// thread (for at most wait) while whoever keeps the server waiting gives way.
// nullptr when it is queued, or closed because no slot came in time.
ConnectionSlot *TakeSlot(const ServerContext &context, AcceptedConnection &connection,
                         std::chrono::milliseconds wait) {
  SlotPool &slots = *context.slots;
  if (context.room != nullptr) return slots.TakeOrQueue(connection, Clock::now() + wait);
  if (ConnectionSlot *slot = slots.TryTake(connection)) return slot;
  const bool givenUp = slots.TellLongestWaitingToGiveUp(kIdleBeforeGivingUp);
  return slots.TakeBefore(Clock::now() + (givenUp ? kGiveUpWait : kReturnWait), connection);
}

// A listener is readable: this thread accepts one connection and serves it.
// The listener wakes one thread at a time: it is watched again as soon as its
// connection is taken, so the next one goes to another thread.
void AcceptAndServe(ServerContext &context, std::uint64_t listenerIndex) {
  const Listener &listener = context.listeners[listenerIndex];
  AcceptResult taken = TakeConnection(listener.socket);
  if (taken.status != AcceptStatus::kAccepted) {
    context.poller->Rearm(listener.socket.Descriptor(), listenerIndex);
    if (taken.status == AcceptStatus::kFailed) {
      WaitForReadable({context.threads->StopDescriptor()}, kAcceptRetryPauseMs);
    }
    return;
  }
  AcceptedConnection connection{std::move(taken.socket), taken.peer, listener.transport};
  // A connection that has sent nothing yet waits in the room, without a slot.
  if (context.room != nullptr && !connection.socket.HasInputNow()) {
    context.poller->Rearm(listener.socket.Descriptor(), listenerIndex);
    context.room->Park(std::move(connection));
    return;
  }
  // Slots go to connections in the order they were accepted: the listener is
  // watched again only once this one has its slot (or is queued, or has been
  // turned away).
  ConnectionSlot *slot = TakeSlot(context, connection, kNewSlotWait);
  context.poller->Rearm(listener.socket.Descriptor(), listenerIndex);
  if (slot == nullptr) return;  // closed at once by the socket's destructor
  ServeConnection(*slot);
}

// A kept connection's client has sent its next request (or closed): it takes
// a slot, waiting for one as long as it takes a busy server to return one, and
// is served on this thread.
void ServeWaiting(ServerContext &context, std::uint64_t tag) {
  std::optional<AcceptedConnection> connection = context.room->Take(tag);
  if (!connection) return;
  if (ConnectionSlot *slot = TakeSlot(context, *connection, kKeptSlotWait)) {
    ServeConnection(*slot);
  }
}

// An event a thread took but leaves to another: its descriptor is watched again.
void HandBack(ServerContext &context, std::uint64_t tag) {
  if (tag < context.listeners.size()) {
    context.poller->Rearm(context.listeners[tag].socket.Descriptor(), tag);
  } else if (tag == kQueueTimerTag) {
    context.poller->Rearm(context.queueTimer, tag);
  } else if (context.room != nullptr) {
    context.room->HandBack(tag);
  }
}

// What a connection thread does with the event that woke it.
void HandleEvent(ServerContext &context, std::uint64_t tag) {
  if (tag < context.listeners.size()) {
    AcceptAndServe(context, tag);
  } else if (tag == WaitingRoom::kTimerTag) {
    context.room->Sweep();
  } else if (tag == kQueueTimerTag) {
    context.slots->LookAtQueue();
    context.poller->Rearm(context.queueTimer, tag);
  } else if (WaitingRoom::IsConnectionTag(tag)) {
    ServeWaiting(context, tag);
  }
}

void MakeShared(ServerContext &context) {
  context.shared = std::make_unique<ServerShared>();
  ServerShared &shared = *context.shared;
  shared.settings = *context.settings;
  shared.statusTable = context.statusTable;
  shared.tlsContext = context.tlsContext.get();
  shared.watch = context.watch.get();
  context.authThrottle = std::make_unique<AuthThrottle>(AuthThrottleLimits{}, context.showNotice);
  shared.authThrottle = context.authThrottle.get();
  shared.programErrors = context.programErrors;
  shared.privateFiles.Watch(shared.settings);
  if (shared.settings.logwrite) {
    context.accessLog = std::make_unique<AccessLog>(shared.settings, &shared.privateFiles);
    shared.accessLog = context.accessLog.get();
  }
  context.files = std::make_unique<FileCache>(kFileCacheLimits);
  shared.files = context.files.get();
  context.slots = std::make_unique<SlotPool>(shared.settings.maxconnect, shared);
}

// Kept connections wait on the threads' poller; without keepalive there is
// no room and every connection ends with its response.
bool OpenWaitingRoom(ServerContext &context) {
  const int keepalive = context.shared->settings.keepalive;
  if (keepalive <= 0) return true;
  WaitingRoomLimits limits;
  // Room within the descriptor limit, beside the slots, their programs' pipes
  // and the server's own files.
  constexpr std::size_t kReserved = 512;
  const std::size_t descriptors = RaiseDescriptorLimit();
  limits.capacity = std::clamp<std::size_t>(descriptors > kReserved ? descriptors - kReserved : 0,
                                            kFewestWaitingConnections, kMaxWaitingConnections);
  limits.perAddress = std::max<std::size_t>(limits.capacity / kAddressShare, 1);
  limits.idleWait = std::chrono::seconds(keepalive);
  const int connecttimeout = context.shared->settings.connecttimeout;
  limits.firstWait = connecttimeout > 0 ? std::min(kFirstBytesWait, std::chrono::milliseconds(connecttimeout))
                                        : kFirstBytesWait;
  // The system keeps connections that have sent nothing from the threads for
  // a moment; most clients send their request at once.
  for (const Listener &listener : context.listeners) {
    listener.socket.DeferAcceptUntilData(kDeferAcceptSeconds);
  }
  context.room = std::make_unique<WaitingRoom>(*context.poller, limits);
  context.shared->room = context.room.get();
  context.queueTimer = context.slots->OpenQueue(kSlowClientGivesWay);
  return context.room->IsValid() && context.queueTimer >= 0 &&
         context.poller->WatchReadableOnce(context.queueTimer, kQueueTimerTag);
}

// The threads wait on the listeners; one more than the slots, so a thread is
// left to make an idle connection give way when every slot is taken.
bool StartThreads(ServerContext &context) {
  context.poller = std::make_unique<Poller>();
  for (std::size_t i = 0; i < context.listeners.size(); ++i) {
    if (!context.poller->WatchReadableOnce(context.listeners[i].socket.Descriptor(), i)) {
      return false;
    }
  }
  if (!OpenWaitingRoom(context)) return false;
  context.threads = std::make_unique<ConnectionThreads>(
      *context.poller, [&context](std::uint64_t tag) { HandleEvent(context, tag); },
      [&context](std::uint64_t tag) { HandBack(context, tag); },
      context.slots->Size() + 1, kWorkerLinger);
  return context.threads->Start();
}

void StartWatch(ServerContext &context) {
  context.watch = std::make_unique<ServerWatch>();
  context.watch->startedAt = GetLocalDateTime();
  context.watch->port = context.boundPort;
  context.watch->tlsPort = context.boundTlsPort;
  context.watch->maxConnections = context.settings->maxconnect;
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

void ReleaseStart(ServerContext &context) {
  context.threads.reset();
  context.room.reset();
  context.poller.reset();
  context.listeners.clear();
  if (context.accessLog != nullptr) context.accessLog->WriteOutBuffer();
  context.slots.reset();
  context.queueTimer = -1;
  context.accessLog.reset();
  context.files.reset();
  context.shared.reset();
  context.tlsContext.reset();
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

bool StartServer(ServerContext &context) {
  context.isRunning = false;
  context.listeners.clear();
  context.tlsContext.reset();
  context.tlsFingerprint.clear();
  context.tlsCertificateMade = false;
  if (context.settings->tlsport != 0) SetUpTls(context);
  if (!OpenServerListeners(context)) {
    context.tlsContext.reset();
    return false;
  }
  context.startFailure.clear();
  context.boundPort = context.listeners.front().port;
  context.boundTlsPort = context.tlsContext ? context.listeners.back().port : 0;
  StartWatch(context);
  MakeShared(context);
  if (!StartThreads(context)) {
    ReleaseStart(context);
    context.startFailure = Utf8ToCp932("接続待機に失敗しました");
    Warn(context, "接続待機に失敗しました");
    return false;
  }
  context.isRunning = true;
  return true;
}

void StopServer(ServerContext &context) {
  if (!context.isRunning) return;
  // No connection is taken from here on: waiting threads exit, a thread that
  // has just accepted finds no slot, and the listeners refuse new clients.
  context.threads->BeginStop();
  context.slots->Close();
  if (context.room != nullptr) context.room->CloseAll();
  for (const Listener &listener : context.listeners) listener.socket.ShutdownReceive();
  EndConnections(context);
  context.threads->StopAndWait();
  ReleaseStart(context);
  context.isRunning = false;
}

int ActiveConnections(const ServerContext &context) {
  return context.slots != nullptr ? context.slots->TakenCount() : 0;
}

int WaitingConnections(const ServerContext &context) {
  if (context.room == nullptr) return 0;
  return static_cast<int>(context.room->Count() + context.slots->QueuedCount());
}

}  // namespace ruz
