#include "ui/external_open.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

#include "ui/message_boxes.h"

namespace ruz {

using namespace Qt::StringLiterals;

ExternalOpener::ExternalOpener(QWidget *owner)
    : QObject(owner), owner_(owner), program_(QStandardPaths::findExecutable(u"xdg-open"_s)) {}

void ExternalOpener::Open(const QUrl &url, const QString &shown) {
  if (program_.isEmpty()) {
    if (!QDesktopServices::openUrl(url)) Warn(shown, QString());
    return;
  }
  auto *launcher = new QProcess(this);
  // The launcher's own complaints go where the program's stderr goes.
  launcher->setProcessChannelMode(QProcess::ForwardedChannels);
  connect(launcher, &QProcess::errorOccurred, this, [this, launcher, shown](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    Warn(shown, u"%1 を起動できません"_s.arg(program_));
    launcher->deleteLater();
  });
  connect(launcher, &QProcess::finished, this,
          [this, launcher, shown](int code, QProcess::ExitStatus status) {
            launcher->deleteLater();
            if (status == QProcess::NormalExit && code == 0) return;
            Warn(shown, status == QProcess::NormalExit
                            ? u"%1 が失敗しました（終了コード %2）。開くプログラムが設定されていない可能性があります"_s
                                  .arg(program_).arg(code)
                            : u"%1 が異常終了しました"_s.arg(program_));
          });
  const QString target = url.isLocalFile() ? url.toLocalFile() : url.toString();
  launcher->start(program_, {target});
}

void ExternalOpener::Warn(const QString &shown, const QString &reason) {
  QString text = u"\"%1\" を開けませんでした"_s.arg(shown);
  if (!reason.isEmpty()) text += u"\n"_s + reason;
  ShowWarning(owner_, text);
}

}  // namespace ruz
