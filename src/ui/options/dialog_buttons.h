// The OK and キャンセル buttons of the options sheet and its dialogs: Enter in a
// field means OK, Enter on a focused button means that button.
#pragma once

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace ruz {

/// OK ("ok", the default button) and キャンセル ("cancel") wired to dialog's
/// accept and reject. OK is made the default inside dialog, so that the dialog
/// gives the default back to it whenever the focus leaves another button.
QDialogButtonBox *MakeOkCancel(QDialog &dialog);

/// A button that takes Enter while it has the focus and hands the default
/// back to OK when the focus moves on (list, picker and helper buttons).
void TakeEnterWhileFocused(QPushButton *button);

/// Title bar with a close box only: no maximise or minimise button.
void UseFixedDialogFrame(QDialog &dialog);

}  // namespace ruz
