// One bounded update check on the GUI thread: asks the update host for
// /ruz/version.txt without blocking and reports the reply's body.
#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <string>

namespace ruz {

class UpdateChecker : public QObject {
  Q_OBJECT

 public:
  /// deadlineMs bounds the look-up, the connection and the reply together.
  explicit UpdateChecker(int deadlineMs = 10000, QObject *parent = nullptr);

  /// Starts a check; does nothing (returns false) while one is running.
  bool Start(const QString &host, std::uint16_t port);
  bool IsRunning() const { return running_; }

 Q_SIGNALS:
  /// Emitted once per started check. ok is false on any failure (no answer,
  /// refused, time-out, no header block end); body is CP932 bytes.
  void Finished(bool ok, const QByteArray &body);

 private:
  void OnConnected();
  void OnReadyRead();
  void OnClosedOrFailed();
  void OnDeadline();
  void Finish(bool ok);

  QTcpSocket socket_;
  QTimer deadline_;
  std::string reply_;
  bool connected_ = false;
  bool receiving_ = false;
  bool running_ = false;
};

}  // namespace ruz
