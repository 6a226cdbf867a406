#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

// Bounds the talk with a running instance; it answers from its event loop.
constexpr int kTalkTimeoutMs = 2000;
constexpr char kShowRequest[] = "show\n";

// A socket name from the folder: any length or character is fine.
QString SocketName(const QString &folder) {
  const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256);
  return u"ruz-"_s + QString::fromLatin1(hash.toHex().left(32));
}

}  // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent), name_(SocketName(folder)) {}

InstanceRole SingleInstance::Claim() {
  // Asked first: listening with access options would silently replace the
  // running instance's socket.
  if (AskRunningToShow()) return InstanceRole::kSecond;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(name_);  // left behind by a process that ended
  if (!server_->listen(name_)) return InstanceRole::kFirst;  // serve without the guard
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket *peer = server_->nextPendingConnection()) {
      connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
        if (peer->readAll().startsWith("show")) Q_EMIT ShowRequested();
      });
    }
  });
  return InstanceRole::kFirst;
}

bool SingleInstance::AskRunningToShow() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kTalkTimeoutMs)) return false;
  socket.write(kShowRequest);
  socket.waitForBytesWritten(kTalkTimeoutMs);
  socket.disconnectFromServer();
  return true;
}

}  // namespace ruz
