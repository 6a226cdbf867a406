// The program's message boxes: warnings (caption "エラー", warning icon) and
// confirmations (caption "Ruzo'sWebserver"), and the core's warning hook.
#pragma once

#include <QString>

#include <string>

class QWidget;

namespace ruz {

/// Modal warning owned by owner (may be null).
void ShowWarning(QWidget *owner, const QString &text);

/// Modal confirmation with an OK button.
void ShowConfirmation(QWidget *owner, const QString &text);

/// Modal Yes/No question; true for Yes.
bool AskYesNo(QWidget *owner, const QString &text);

/// The window whose warnings the core's hook shows (process-wide: there is one
/// main window). Pass nullptr when the window goes away.
void SetWarningOwner(QWidget *owner);

/// For ServerContext::showWarning: a CP932 text shown with ShowWarning.
void ShowCoreWarning(const std::string &cp932Text);

}  // namespace ruz
