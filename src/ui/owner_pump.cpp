#include "ui/owner_pump.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "server/owner_loop.h"

namespace ruz {

OwnerPump::OwnerPump(OwnerLoop &loop, QObject *parent)
    : QObject(parent), loop_(loop), notifier_(loop.WakeFd(), QSocketNotifier::Read) {
  connect(&notifier_, &QSocketNotifier::activated, this, [this] { loop_.RunPending(); });
  loop_.SetIdleWait([] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::WaitForMoreEvents);
  });
}

OwnerPump::~OwnerPump() {
  notifier_.setEnabled(false);
  loop_.SetIdleWait(nullptr);
}

}  // namespace ruz
