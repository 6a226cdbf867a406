#include "ui/options/dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace ruz {

using namespace Qt::Literals::StringLiterals;

QDialogButtonBox *MakeOkCancel(QDialog &dialog) {
  // Parented before setDefault: a button outside its dialog cannot become the
  // dialog's main default, and Qt would then pick the first button in the focus
  // chain (a file picker) as the default when the dialog is shown.
  auto *buttons = new QDialogButtonBox(&dialog);
  QPushButton *ok = buttons->addButton(u"OK"_s, QDialogButtonBox::AcceptRole);
  ok->setObjectName(u"ok"_s);
  ok->setDefault(true);
  QPushButton *cancel = buttons->addButton(u"キャンセル"_s, QDialogButtonBox::RejectRole);
  cancel->setObjectName(u"cancel"_s);
  TakeEnterWhileFocused(cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

// An auto-default button becomes the dialog's default while focused and gives
// the default back to the dialog's main default (OK) when it loses the focus.
void TakeEnterWhileFocused(QPushButton *button) {
  button->setDefault(false);
  button->setAutoDefault(true);
}

void UseFixedDialogFrame(QDialog &dialog) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

}  // namespace ruz
