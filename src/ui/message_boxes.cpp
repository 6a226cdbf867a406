#include "ui/message_boxes.h"

#include <QMessageBox>
#include <QPointer>

#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

QPointer<QWidget> &WarningOwner() {
  static QPointer<QWidget> owner;
  return owner;
}

}  // namespace

void ShowWarning(QWidget *owner, const QString &text) {
  QMessageBox::warning(owner, u"エラー"_s, text);
}

void ShowConfirmation(QWidget *owner, const QString &text) {
  QMessageBox box(QMessageBox::NoIcon, u"Ruzo'sWebserver"_s, text, QMessageBox::Ok, owner);
  box.exec();
}

bool AskYesNo(QWidget *owner, const QString &text) {
  QMessageBox box(QMessageBox::NoIcon, u"Ruzo'sWebserver"_s, text,
                  QMessageBox::Yes | QMessageBox::No, owner);
  return box.exec() == QMessageBox::Yes;
}

void SetWarningOwner(QWidget *owner) { WarningOwner() = owner; }

void ShowCoreWarning(const std::string &cp932Text) {
  ShowWarning(WarningOwner().data(), FromCp932(cp932Text));
}

}  // namespace ruz
