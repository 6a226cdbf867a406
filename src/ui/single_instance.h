// One window per program folder: a second start on the same folder asks the
// running one to come forward and then ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace ruz {

enum class InstanceRole {
  kFirst,   // this process serves the folder; ShowRequested fires on later starts
  kSecond,  // another process serves the folder and was asked to come forward
};

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  /// folder identifies the instance (the program folder's absolute path).
  explicit SingleInstance(const QString &folder, QObject *parent = nullptr);

  /// Claims the folder, or reaches the process that holds it. A holder that
  /// ended without cleaning up is replaced.
  InstanceRole Claim();

 Q_SIGNALS:
  /// A later start on the same folder wants the window shown.
  void ShowRequested();

 private:
  bool AskRunningToShow();

  QString name_;
  QLocalServer *server_ = nullptr;
};

}  // namespace ruz
