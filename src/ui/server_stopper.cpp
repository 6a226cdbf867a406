// Stopping the server off the GUI thread.
#include "ui/server_stopper.h"

#include "server/server.h"

namespace ruz {

ServerStopper::ServerStopper(ServerContext &context, QObject *parent)
    : QObject(parent), context_(context) {}

ServerStopper::~ServerStopper() { Wait(); }

void ServerStopper::Wait() {
  if (thread_.joinable()) thread_.join();
  done_ = nullptr;
}

bool ServerStopper::Start(std::function<void()> done) {
  if (thread_.joinable()) return false;
  done_ = std::move(done);
  thread_ = std::thread([this] {
    StopServer(context_);
    QMetaObject::invokeMethod(this, &ServerStopper::Finish, Qt::QueuedConnection);
  });
  return true;
}

void ServerStopper::Finish() {
  if (thread_.joinable()) thread_.join();
  if (auto done = std::exchange(done_, nullptr)) done();
}

}  // namespace ruz
