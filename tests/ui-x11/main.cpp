// The ui-x11 tests run inside one QApplication on the X server that
// tests/ui/with-display.sh started (with its tray host).
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/qt_setup.h"

int main(int argc, char **argv) {
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ruz::InstallJapaneseQtTexts();
  ruz::UseJapaneseUiFont();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
