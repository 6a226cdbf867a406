// The OK and キャンセル buttons of the options sheet and its dialogs, with Enter
// meaning OK wherever the focus is.
#pragma once

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace ruz {

/// OK ("ok", the default button) and キャンセル ("cancel") wired to dialog's
/// accept and reject. OK is made the default inside dialog, so that the dialog
/// gives the default back to it whenever the focus leaves another button.
QDialogButtonBox *MakeOkCancel(QDialog &dialog);

/// A button that never becomes the default, even while it has the focus, so
/// Enter never runs it (file pickers, list and helper buttons).
void KeepFromDefault(QPushButton *button);

}  // namespace ruz
