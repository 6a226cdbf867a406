#include "ui/qt_setup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// The resource lives in a static library: register it explicitly.
static void InitRuzResource() { Q_INIT_RESOURCE(ruz); }

namespace ruz {

using namespace Qt::StringLiterals;

void InstallJapaneseQtTexts() {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  auto *translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(u"qtbase_ja"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
}

QString UseJapaneseUiFont() {
  const QStringList installed = QFontDatabase::families();
  for (const QString &family : {u"Noto Sans CJK JP"_s, u"IPAGothic"_s}) {
    if (!installed.contains(family)) continue;
    QFont font = QApplication::font();
    font.setFamilies({family});
    QApplication::setFont(font);
    return family;
  }
  return {};
}

QIcon RuzIcon() {
  static const bool registered = (InitRuzResource(), true);
  (void)registered;
  QIcon icon;
  for (int size : {16, 22, 32, 48})
    icon.addFile(u":/icons/ruz%1.png"_s.arg(size), QSize(size, size));
  return icon;
}

}  // namespace ruz

namespace ruz {

QIcon StoppedRuzIcon() {
  const QIcon running = RuzIcon();
  QIcon stopped;
  for (int size : {16, 22, 32, 48})
    stopped.addPixmap(running.pixmap(QSize(size, size), QIcon::Disabled));
  return stopped;
}

}  // namespace ruz
