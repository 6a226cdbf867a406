#include "ui/update_checker.h"

#include <QNetworkProxy>

#include "ui/update_reply.h"

namespace ruz {

UpdateChecker::UpdateChecker(int deadlineMs, QObject *parent) : QObject(parent) {
  socket_.setProxy(QNetworkProxy::NoProxy);
  deadline_.setSingleShot(true);
  deadline_.setInterval(deadlineMs);
  connect(&deadline_, &QTimer::timeout, this, &UpdateChecker::OnDeadline);
  connect(&socket_, &QTcpSocket::connected, this, &UpdateChecker::OnConnected);
  connect(&socket_, &QTcpSocket::readyRead, this, &UpdateChecker::OnReadyRead);
  connect(&socket_, &QTcpSocket::disconnected, this, &UpdateChecker::OnClosedOrFailed);
  connect(&socket_, &QTcpSocket::errorOccurred, this, &UpdateChecker::OnClosedOrFailed);
}

bool UpdateChecker::Start(const QString &host, std::uint16_t port) {
  if (running_) return false;
  running_ = true;
  connected_ = false;
  receiving_ = false;
  reply_.clear();
  deadline_.start();
  socket_.connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
  return true;
}

void UpdateChecker::OnConnected() {
  if (!running_) return;
  connected_ = true;
  receiving_ = true;
  socket_.write(kUpdateRequest.data(), static_cast<qint64>(kUpdateRequest.size()));
}

void UpdateChecker::OnReadyRead() {
  if (!running_ || !receiving_) return;
  char chunk[kUpdateChunkSize];
  while (socket_.bytesAvailable() > 0) {
    const qint64 got = socket_.read(chunk, sizeof chunk);
    if (got <= 0) break;
    if (!AppendReplyChunk(reply_, std::string_view(chunk, static_cast<std::size_t>(got)))) {
      receiving_ = false;  // the chunk that would overflow ends the reception
      Finish(true);
      return;
    }
  }
}

void UpdateChecker::OnClosedOrFailed() {
  if (!running_) return;
  // Before the connection: the host was not found or refused us. After it:
  // the peer closed or the receive failed, and what arrived is evaluated.
  if (connected_) OnReadyRead();
  if (running_) Finish(connected_);
}

void UpdateChecker::OnDeadline() {
  if (running_) Finish(false);
}

void UpdateChecker::Finish(bool received) {
  running_ = false;
  receiving_ = false;
  deadline_.stop();
  socket_.abort();
  std::string body;
  const bool ok = received && ExtractReplyBody(reply_, body);
  Q_EMIT Finished(ok, QByteArray(body.data(), static_cast<qsizetype>(body.size())));
}

}  // namespace ruz
