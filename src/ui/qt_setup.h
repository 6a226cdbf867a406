// Process-wide Qt set-up shared by the program and the UI tests.
#pragma once

#include <QIcon>

namespace ruz {

/// Loads Qt's own Japanese texts (qtbase_ja.qm) whatever LANG says and makes
/// Japanese the default locale, so standard buttons read はい/いいえ/キャンセル.
/// Call once, after the application object exists.
void InstallJapaneseQtTexts();

/// The program's icon (RUZICON) at 16, 22, 32 and 48 pixels.
QIcon RuzIcon();

}  // namespace ruz
