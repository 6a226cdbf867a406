// Opening files and web addresses with the desktop's launcher, and saying so
// when the launcher fails instead of failing silently.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;

namespace ruz {

/// Runs the launcher (xdg-open from PATH unless set otherwise) on a URL. A
/// launcher that cannot start, or ends with a failure status, is reported with
/// a warning over the owner that names what was opened. With no launcher at
/// all, Qt's own opener is used.
class ExternalOpener : public QObject {
  Q_OBJECT

 public:
  explicit ExternalOpener(QWidget *owner);

  /// The launcher program; empty means Qt's own opener (for tests and for
  /// systems without xdg-open).
  void SetProgram(const QString &program) { program_ = program; }

  /// Opens url; shown is how the warning names it (a path or the address).
  void Open(const QUrl &url, const QString &shown);

 private:
  void Warn(const QString &shown, const QString &reason);

  QWidget *owner_;
  QString program_;
};

}  // namespace ruz
