// The program's message boxes: warnings (caption "エラー", or the program's name
// for those of the server's start), confirmations and questions (caption
// "Ruzo'sWebserver"), and the core's warning hook. None has a maximise button.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "platform/files.h"

class QWidget;

namespace ruz {

/// The program's name, the caption of its windows and questions.
QString ProgramName();

/// Modal warning owned by owner (may be null).
void ShowWarning(QWidget *owner, const QString &text);

/// Modal warning that the settings could not be written to the file at path
/// (CP932), with the system's reason from result.
void ShowWriteWarning(QWidget *owner, std::string_view path, const WriteResult &result);

/// Modal warning about the server's start, titled with the program's name so
/// that it is clear which instance complains.
void ShowStartWarning(QWidget *owner, const QString &text);

/// Modal confirmation with an OK button.
void ShowConfirmation(QWidget *owner, const QString &text);

enum class DefaultAnswer { kYes, kNo };

/// Modal Yes/No question; true for Yes. Enter gives the preferred answer.
bool AskYesNo(QWidget *owner, const QString &text, DefaultAnswer preferred = DefaultAnswer::kYes);

/// What to do with responses still being sent when the server must stop.
enum class TransferChoice { kStopNow, kAfterTransfers, kCancel };

/// Asks whether to stop now or after the count responses being sent;
/// action is the verb ("再起動" or "終了"). Enter and Esc give kCancel.
TransferChoice AskAboutTransfers(QWidget *owner, int count, const QString &action);

/// The window whose warnings the core's hook shows (process-wide: there is one
/// main window). Pass nullptr when the window goes away.
void SetWarningOwner(QWidget *owner);

/// For ServerContext::showWarning: a CP932 text shown with ShowStartWarning.
void ShowCoreWarning(const std::string &cp932Text);

}  // namespace ruz
