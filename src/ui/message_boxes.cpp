#include "ui/message_boxes.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

QPointer<QWidget> &WarningOwner() {
  static QPointer<QWidget> owner;
  return owner;
}

// A message box whose title bar has a close box but no maximise button.
void UseFixedFrame(QMessageBox &box) {
  box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                     Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void Warn(QWidget *owner, const QString &title, const QString &text) {
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, owner);
  UseFixedFrame(box);
  box.exec();
}

}  // namespace

QString ProgramName() { return u"Ruzo'sWebserver"_s; }

void ShowWarning(QWidget *owner, const QString &text) { Warn(owner, u"エラー"_s, text); }

void ShowWriteWarning(QWidget *owner, std::string_view path, const WriteResult &result) {
  ShowWarning(owner, u"設定を \"%1\" に保存できませんでした\n%2"_s.arg(
                         FromCp932(path), QString::fromStdString(result.reason)));
}

void ShowStartWarning(QWidget *owner, const QString &text) { Warn(owner, ProgramName(), text); }

void ShowConfirmation(QWidget *owner, const QString &text) {
  QMessageBox box(QMessageBox::NoIcon, ProgramName(), text, QMessageBox::Ok, owner);
  UseFixedFrame(box);
  box.exec();
}

bool AskYesNo(QWidget *owner, const QString &text, DefaultAnswer preferred) {
  QMessageBox box(QMessageBox::NoIcon, ProgramName(), text, QMessageBox::Yes | QMessageBox::No,
                  owner);
  UseFixedFrame(box);
  box.setDefaultButton(preferred == DefaultAnswer::kYes ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

TransferChoice AskAboutTransfers(QWidget *owner, int count, const QString &action) {
  QMessageBox box(QMessageBox::Question, ProgramName(),
                  u"送信中 %1 件\n送信中の応答は%2すると切断されます。"_s.arg(count).arg(action),
                  QMessageBox::NoButton, owner);
  UseFixedFrame(box);
  QPushButton *now = box.addButton(u"今すぐ%1"_s.arg(action), QMessageBox::DestructiveRole);
  now->setObjectName(u"stopNow"_s);
  QPushButton *after = box.addButton(u"完了後に%1"_s.arg(action), QMessageBox::AcceptRole);
  after->setObjectName(u"stopAfter"_s);
  QPushButton *cancel = box.addButton(u"キャンセル"_s, QMessageBox::RejectRole);
  box.setDefaultButton(cancel);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == now) return TransferChoice::kStopNow;
  if (box.clickedButton() == after) return TransferChoice::kAfterTransfers;
  return TransferChoice::kCancel;
}

void SetWarningOwner(QWidget *owner) { WarningOwner() = owner; }

void ShowCoreWarning(const std::string &cp932Text) {
  ShowStartWarning(WarningOwner().data(), FromCp932(cp932Text));
}

}  // namespace ruz
