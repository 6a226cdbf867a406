// Process-wide Qt set-up shared by the program and the UI tests.
#pragma once

#include <QIcon>
#include <QString>

namespace ruz {

/// Loads Qt's own Japanese texts (qtbase_ja.qm) whatever LANG says and makes
/// Japanese the default locale, so standard buttons read はい/いいえ/キャンセル.
/// Call once, after the application object exists.
void InstallJapaneseQtTexts();

/// Makes the first installed of the preferred Japanese UI font families the
/// application font (keeping its size), so digits, Latin letters and kana come
/// from one font whatever fontconfig would pick per character. Returns the
/// family chosen, or an empty text when none is installed.
QString UseJapaneseUiFont();

/// The program's icon (RUZICON) at 16, 22, 32 and 48 pixels.
QIcon RuzIcon();

/// The same icon greyed out, for a server that is stopped.
QIcon StoppedRuzIcon();

}  // namespace ruz
