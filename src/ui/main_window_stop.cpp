// The main window's stops: a restart or quit that asks first while responses
// are being sent, the stop off the GUI thread with its countdown, and closing.
#include "server/server.h"
#include "server/start_up.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

#include <algorithm>

#include "config/settings.h"
#include "ui/fact_band.h"
#include "ui/main_window.h"
#include "ui/message_boxes.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {
// How often a wait for the responses being sent looks again.
constexpr int kTransferCheckMs = 250;
}  // namespace

// The stop's text, and while responses may still be sent, the seconds left
// before the stop cuts them off.
QString MainWindow::BusyStateText() const {
  if (stopGrace_.isForever() || stopGrace_.hasExpired()) return busyText_;
  const qint64 seconds = (stopGrace_.remainingTime() + 999) / 1000;
  return busyText_ + u"（送信中の応答を待っています: 残り最長 %1 秒）"_s.arg(seconds);
}

void MainWindow::StopInBackground(const QString &text, std::function<void()> after) {
  afterTransfers_ = nullptr;  // a stop now replaces a wait for the transfers
  busyText_ = text;
  // Read before the stop starts: from then on the slots belong to the stopping thread.
  const bool sending = context_.isRunning && ActiveConnections(context_) > 0;
  stopGrace_ = sending ? QDeadlineTimer(std::max(settings_.stopwait, 0)) : QDeadlineTimer();
  busy_ = true;
  ShowState(BusyStateText());
  stopper_.Start([this, after = std::move(after)] {
    stopGrace_ = QDeadlineTimer();
    after();
    busy_ = false;
    AfterBusy();
  });
}

void MainWindow::AfterBusy() {
  if (closePending_) {
    closePending_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  if (offerPending_) {
    offerPending_ = false;
    QTimer::singleShot(0, this, &MainWindow::OfferDownload);
  }
}

void MainWindow::Restart(std::function<void()> then) {
  if (closed_ || busy_) return;
  StopInBackground(u"再起動中…"_s, [this, then = std::move(then)] {
    RestartFromSettings(context_);  // its warnings have been shown; the state bar tells the rest
    ShowServerState();
    ApplyAutoUpdateFlag();
    band_->update();
    if (then) then();
  });
}

void MainWindow::AskBeforeStopping(const QString &action, std::function<void()> proceed) {
  const int sending = context_.isRunning ? ActiveConnections(context_) : 0;
  if (sending == 0) {
    proceed();
    return;
  }
  switch (AskAboutTransfers(this, sending, action)) {
    case TransferChoice::kStopNow:
      if (!busy_ && !closed_) proceed();
      return;
    case TransferChoice::kAfterTransfers:
      waitingAction_ = action;
      afterTransfers_ = std::move(proceed);
      CheckTransfersDone();
      return;
    case TransferChoice::kCancel:
      return;
  }
}

// Polled while a restart or quit waits for the responses being sent.
void MainWindow::CheckTransfersDone() {
  if (!afterTransfers_ || busy_ || closed_) return;
  const int sending = context_.isRunning ? ActiveConnections(context_) : 0;
  if (sending > 0) {
    ShowState(u"送信中 %1 件の完了を待っています（完了後に%2）"_s.arg(sending).arg(waitingAction_));
    QTimer::singleShot(kTransferCheckMs, this, &MainWindow::CheckTransfersDone);
    return;
  }
  std::function<void()> proceed = std::move(afterTransfers_);
  afterTransfers_ = nullptr;
  proceed();
}

void MainWindow::RestartAsked(std::function<void()> then) {
  AskBeforeStopping(u"再起動"_s, [this, then = std::move(then)] { Restart(then); });
}

void MainWindow::closeEvent(QCloseEvent *event) {
  event->ignore();
  // The close box asks like 終了 does; a stop signal's close does not ask.
  if (event->spontaneous() && !busy_ && !closed_) {
    AskBeforeStopping(u"終了"_s, [this] { BeginClose(); });
    return;
  }
  if (busy_) {
    // Carried out once the stop or restart under way is over.
    closePending_ = true;
    return;
  }
  if (!closed_) BeginClose();
}

// The window stays, painting and answering, while the connections finish; the
// tray icon stays until the program ends.
void MainWindow::BeginClose() {
  updateTimer_.stop();
  SaveWindowPlacement();
  StopInBackground(u"停止中…"_s, [this] { FinishClose(); });
}

void MainWindow::FinishClose() {
  closed_ = true;
  stateTimer_.stop();
  FreeSettings(settings_);
  hide();
  tray_.hide();
  qApp->quit();
}

void MainWindow::Shutdown() {
  stopper_.Wait();  // a stop under way ends before the window does
  if (closed_) return;
  closed_ = true;
  updateTimer_.stop();
  stateTimer_.stop();
  SaveWindowPlacement();
  tray_.hide();
  busy_ = true;
  StopServer(context_);
  busy_ = false;
  FreeSettings(settings_);
}

}  // namespace ruz
