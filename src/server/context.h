// The server instance and its table of connection slots.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/settings.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "server/workers.h"

namespace ruz {

class OwnerLoop;
class StatusView;
struct ServerContext;

inline constexpr int kMaxScannedSlots = 64;

/// The in-memory access-log buffer: at most capacity - 1 bytes of text.
struct LogBuffer {
  std::size_t capacity = 0;
  std::string text;
};

struct ConnectionSlot {
  OwnerLoop *owner = nullptr;      // the owner thread's loop (the main window's thread)
  StatusView *listView = nullptr;  // written only on the owner thread
  Socket socket;
  PeerAddress peer;
  int row = 0;                  // changed only on the owner thread
  std::atomic<int> state{0};    // 0 free, 1 taken, 2 row shown
  const ServerSettings *settings = nullptr;
  const DateTime *startTime = nullptr;
  LogBuffer *logBuffer = nullptr;
  std::mutex *logLock = nullptr;
  ServerContext *context = nullptr;  // for the row shift of a starting connection
  /// Set by SendResponseHeader: a response header has gone out on this
  /// connection, so FinishRequest must not send a second one.
  bool headerSent = false;
};

struct ServerContext {
  OwnerLoop *owner = nullptr;
  StatusView *listView = nullptr;
  Socket listenSocket;
  std::thread acceptThread;
  ServerSettings *settings = nullptr;
  std::unique_ptr<ConnectionSlot[]> slots;
  int slotCount = 0;
  std::unique_ptr<LogBuffer> logBuffer;
  std::unique_ptr<std::mutex> logLock;
  int isRunning = 0;
  std::uint16_t boundPort = 0;
  /// Why the last start failed, CP932 (e.g. the port and the reason); empty after a successful start.
  std::string startFailure;
  /// Where message boxes go: the window shows a warning, headless prints it.
  void (*showWarning)(const std::string &cp932Text) = nullptr;
  /// The connection threads; StopServer waits until every one has returned.
  std::unique_ptr<ConnectionWorkers> workers;
};

/// 1 on success; 0 after a warning when bind or listen failed.
int StartServer(ServerContext &context);
/// Waits (handling owner messages) until every slot is free, then releases all.
void StopServer(ServerContext &context);
void RestartServer(ServerContext &context);

/// Owner thread, WM_USER + 1: every shown row moves down by one.
void ShiftShownRows(ServerContext &context);
/// Owner thread, WM_USER: the slot's thread is let go and the slot freed.
void ReleaseSlot(ConnectionSlot &slot);

}  // namespace ruz
