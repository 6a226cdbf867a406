// Stopping the server off the GUI thread, so the window keeps painting and
// answering while connections finish.
#pragma once

#include <QObject>

#include <functional>
#include <thread>

namespace ruz {

struct ServerContext;

class ServerStopper : public QObject {
  Q_OBJECT

 public:
  /// context must outlive the stopper.
  explicit ServerStopper(ServerContext &context, QObject *parent = nullptr);
  ~ServerStopper() override;  // waits for a stop under way

  bool IsRunning() const { return thread_.joinable(); }
  /// Runs StopServer on a thread of its own; done runs on the GUI thread once
  /// it is over. False (and nothing happens) while a stop is under way.
  bool Start(std::function<void()> done);
  /// Waits for a stop under way without running its done (for a window that
  /// goes away meanwhile).
  void Wait();

 private:
  void Finish();

  ServerContext &context_;
  std::thread thread_;
  std::function<void()> done_;
};

}  // namespace ruz
