// Starting, stopping and restarting the server instance, and the accept loop
// that gives each connection a slot and a thread.
#include <algorithm>
#include <chrono>
#include <string>

#include "common/append_file.h"
#include "platform/text_codes.h"
#include "server/connection.h"
#include "server/context.h"
#include "server/workers.h"

namespace ruz {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kListenBacklog = 255;
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

void Warn(const ServerContext &context, const char *utf8Text) {
  if (context.showWarning != nullptr) context.showWarning(Utf8ToCp932(utf8Text));
}

constexpr int kLowestUnprivilegedPort = 1024;

// The second line of a failed start: the port and why it cannot be used.
std::string BindFailureLine(int port, bool portValid, BindFailure failure) {
  std::string line = "ポート " + std::to_string(port) + ": ";
  if (!portValid) return line + "範囲外です（0 から 65535 まで）";
  switch (failure) {
    case BindFailure::kInUse: return line + "他のプログラムが使用中です";
    case BindFailure::kNoPermission:
      return line + (port < kLowestUnprivilegedPort
                         ? "使用する権限がありません（1024 未満のポートには管理者の権限が必要です）"
                         : "使用する権限がありません");
    default: return line + "使用できません";
  }
}

// A slot for a new connection. When every slot is taken, the connection that
// has waited longest for its request header gives its slot up; when every
// connection has a complete header, the new one waits a moment for a slot to
// be returned, and is closed (nullptr) when none is.
ConnectionSlot *TakeSlot(SlotPool &slots, Socket &socket, const PeerAddress &peer) {
  if (ConnectionSlot *slot = slots.TryTake(socket, peer)) return slot;
  const bool givenUp = slots.TellLongestWaitingToGiveUp(kIdleBeforeGivingUp);
  return slots.TakeBefore(Clock::now() + (givenUp ? kGiveUpWait : kReturnWait), socket, peer);
}

void AcceptLoop(ServerContext &context) {
  for (;;) {
    PeerAddress peer;
    Socket socket = AcceptConnection(context.listenSocket, peer);
    if (!socket.IsValid()) return;
    ConnectionSlot *slot = TakeSlot(*context.slots, socket, peer);
    if (slot == nullptr) continue;  // closed at once by the socket's destructor
    if (!context.workers->Start(*slot)) context.slots->Return(*slot);  // closes the socket
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

int StartServer(ServerContext &context) {
  context.isRunning = false;
  const ServerSettings &settings = *context.settings;
  // A port outside the TCP range cannot be bound.
  bool portValid = settings.port >= 0 && settings.port <= 65535;
  ListenResult listening;
  if (portValid) listening = ListenTcp(static_cast<std::uint16_t>(settings.port), kListenBacklog);
  if (!portValid || listening.bindFailed) {
    std::string reason = BindFailureLine(settings.port, portValid, listening.bindFailure);
    context.startFailure = Utf8ToCp932(reason);
    Warn(context, ("ソケットのバインドに失敗しました\n" + reason).c_str());
    return 0;
  }
  if (listening.listenFailed) {
    const std::string reason = "ポート " + std::to_string(settings.port) + ": 接続待機に失敗しました";
    context.startFailure = Utf8ToCp932(reason);
    Warn(context, ("接続待機に失敗しました\n" + reason).c_str());
    return 0;
  }
  context.startFailure.clear();
  context.listenSocket = std::move(listening.socket);
  context.boundPort = listening.boundPort;
  MakeSlots(context);
  context.workers = std::make_unique<ConnectionWorkers>(
      [](ConnectionSlot &slot) { ServeConnection(&slot); }, kWorkerLinger);
  context.acceptThread = std::thread([&context] { AcceptLoop(context); });
  context.isRunning = true;
  return 1;
}

void StopServer(ServerContext &context) {
  if (!context.isRunning) return;
  context.listenSocket.ShutdownBoth();
  // The accept thread ends first, so no slot is taken after the wait below
  // has looked at it.
  if (context.acceptThread.joinable()) context.acceptThread.join();
  EndConnections(context);
  context.workers.reset();  // lets idle threads go and waits for every thread
  context.listenSocket.Close();
  WriteOutLogBuffer(context);
  context.logFile.reset();
  context.logLock.reset();
  context.slots.reset();
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
