// Runs the core's owner loop inside Qt's event loop on the GUI thread.
#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace ruz {

class OwnerLoop;

/// While it lives, work queued by connection threads runs whenever the GUI
/// thread's event loop turns, in modal loops too; and a wait of the core
/// (StopServer) keeps painting and answering the window manager but holds
/// mouse and key input back until it is over.
class OwnerPump : public QObject {
  Q_OBJECT

 public:
  /// loop must be owned by the GUI thread and outlive the pump.
  explicit OwnerPump(OwnerLoop &loop, QObject *parent = nullptr);
  ~OwnerPump() override;

 private:
  OwnerLoop &loop_;
  QSocketNotifier notifier_;
};

}  // namespace ruz
