// Starting, stopping and restarting the server instance; the accept loop and
// the slot protocol between the accept thread, connection threads and the owner.
#include <chrono>
#include <string>

#include "common/append_file.h"
#include "log/status_view.h"
#include "platform/text_codes.h"
#include "server/connection.h"
#include "server/context.h"
#include "server/owner_loop.h"
#include "server/workers.h"

namespace ruz {

namespace {

constexpr int kListenBacklog = 255;

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

// Accept thread: the first free slot among the first 64, or nullptr.
ConnectionSlot *FindFreeSlot(ServerContext &context) {
  int scanned = std::min(context.slotCount, kMaxScannedSlots);
  for (int i = 0; i < scanned; ++i) {
    if (context.slots[i].state.load(std::memory_order_acquire) == 0) return &context.slots[i];
  }
  return nullptr;
}

void FillSlot(ServerContext &context, ConnectionSlot &slot, Socket socket, PeerAddress peer) {
  slot.owner = context.owner;
  slot.listView = context.listView;
  slot.state.store(1, std::memory_order_relaxed);
  slot.socket = std::move(socket);
  slot.peer = peer;
  slot.row = 0;
  slot.settings = context.settings;
  slot.logBuffer = context.logBuffer.get();
  slot.logLock = context.logLock.get();
  slot.context = &context;
  slot.headerSent = false;
}

// How long a connection thread waits for the next connection before it exits.
constexpr std::chrono::milliseconds kWorkerLinger{1000};

void AcceptLoop(ServerContext &context) {
  for (;;) {
    PeerAddress peer;
    Socket socket = AcceptConnection(context.listenSocket, peer);
    if (!socket.IsValid()) return;
    ConnectionSlot *slot = FindFreeSlot(context);
    if (slot == nullptr) continue;  // closed at once by the socket's destructor
    FillSlot(context, *slot, std::move(socket), peer);
    if (!context.workers->Start(*slot)) ReleaseSlot(*slot);  // closes the socket
  }
}

bool AllSlotsFree(const ServerContext &context) {
  for (int i = 0; i < context.slotCount; ++i) {
    if (context.slots[i].state.load(std::memory_order_acquire) != 0) return false;
  }
  return true;
}

void WriteOutLogBuffer(ServerContext &context) {
  if (context.logBuffer == nullptr) return;
  AppendToFile(ExeRelativePath(context.settings->logname), context.logBuffer->text);
  context.logBuffer.reset();
}

}  // namespace

int StartServer(ServerContext &context) {
  context.isRunning = 0;
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
    context.startFailure =
        Utf8ToCp932("ポート " + std::to_string(settings.port) + ": 接続待機に失敗しました");
    Warn(context, "接続待機に失敗しました");
    return 0;
  }
  context.startFailure.clear();
  context.listenSocket = std::move(listening.socket);
  context.boundPort = listening.boundPort;
  context.slotCount = std::max(settings.maxconnect, 0);
  context.slots = std::make_unique<ConnectionSlot[]>(context.slotCount);
  if (settings.logwrite) {
    context.logLock = std::make_unique<std::mutex>();
    if (settings.mem) {
      context.logBuffer = std::make_unique<LogBuffer>();
      context.logBuffer->capacity = static_cast<std::size_t>(std::max(settings.bufmax, 0));
    }
  }
  context.workers = std::make_unique<ConnectionWorkers>(
      [](ConnectionSlot &slot) { ServeConnection(&slot); }, kWorkerLinger);
  context.acceptThread = std::thread([&context] { AcceptLoop(context); });
  context.isRunning = 1;
  return 1;
}

void StopServer(ServerContext &context) {
  if (!context.isRunning) return;
  context.listenSocket.ShutdownBoth();
  // The accept thread ends first, so no slot can be taken after the wait below
  // has looked at it.
  if (context.acceptThread.joinable()) context.acceptThread.join();
  context.owner->WaitUntil([&] { return AllSlotsFree(context); });
  context.workers.reset();  // lets idle threads go and waits for every thread
  context.listenSocket.Close();
  WriteOutLogBuffer(context);
  context.logLock.reset();
  context.slots.reset();
  context.slotCount = 0;
  context.isRunning = 0;
}

void RestartServer(ServerContext &context) {
  StopServer(context);
  FreeSettings(*context.settings);
  LoadSettings(*context.settings);
  StartServer(context);
}

void ShiftShownRows(ServerContext &context) {
  for (int i = 0; i < context.slotCount; ++i) {
    if (context.slots[i].state.load(std::memory_order_acquire) == 2) ++context.slots[i].row;
  }
}

void ReleaseSlot(ConnectionSlot &slot) {
  if (slot.listView != nullptr && slot.state.load(std::memory_order_relaxed) == 2)
    slot.listView->RowFinished(slot.row);
  slot.owner = nullptr;
  slot.listView = nullptr;
  slot.socket.Close();
  slot.peer = PeerAddress{};
  slot.row = 0;
  slot.settings = nullptr;
  slot.startTime = nullptr;
  slot.logBuffer = nullptr;
  slot.logLock = nullptr;
  slot.context = nullptr;
  slot.headerSent = false;
  // Everything above is visible to the accept thread once it sees state 0.
  slot.state.store(0, std::memory_order_release);
}

}  // namespace ruz
