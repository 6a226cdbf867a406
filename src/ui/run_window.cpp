#include "ui/run_window.h"

#include "server/context.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <string>

#include <xcb/xcb.h>

#include "config/settings.h"
#include "platform/environment.h"
#include "platform/events.h"
#include "ui/main_window.h"
#include "ui/menus.h"
#include "ui/message_boxes.h"
#include "ui/options/path_pickers.h"
#include "ui/qt_setup.h"
#include "ui/single_instance.h"
#include "ui/stall_meter.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

std::string Environment(const char *name) {
  std::string value;
  GetEnvironmentValue(name, value);
  return value;
}

/// Whether Qt can open its platform here. Qt aborts when it cannot, so the
/// X11 display is tried first; platforms that need no display always work.
bool DisplayUsable() {
  const std::string platform = Environment("QT_QPA_PLATFORM");
  if (platform == "offscreen" || platform == "minimal") return true;
  if (!Environment("WAYLAND_DISPLAY").empty() && platform != "xcb") return true;
  const std::string display = Environment("DISPLAY");
  if (display.empty()) return false;
  xcb_connection_t *connection = xcb_connect(display.c_str(), nullptr);
  const bool usable = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return usable;
}

}  // namespace

int RunMainWindow(int argc, char **argv) {
  if (!DisplayUsable()) {
    std::fputs("ruz: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
               "unset or unreachable).\nruz: run \"ruz --headless\" to serve without a window.\n",
               stderr);
    return 1;
  }
  // Before any thread starts, so every thread inherits the blocked signals.
  StopSignals stopSignals;
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  InstallJapaneseQtTexts();
  UseJapaneseUiFont();
  ReportStallsOnQuitIfAsked(&app);

  SingleInstance instance(ProgramFolder());
  if (instance.Claim() == InstanceRole::kSecond) {
    ShowConfirmation(nullptr, u"このプログラムフォルダー（%1）の Ruzo'sWebserver は既に起動しています。\n"
                              u"起動中のウインドウを前面に表示しました。"_s.arg(ProgramFolder()));
    return 0;
  }

  ServerSettings settings;
  ServerContext context;
  MainWindow window(context, settings);
  QObject::connect(&instance, &SingleInstance::ShowRequested, &window, [&window] {
    window.OnCommand(kCmdShowWindow);
  });
  QSocketNotifier stopNotifier(stopSignals.Descriptor(), QSocketNotifier::Read);
  QObject::connect(&stopNotifier, &QSocketNotifier::activated, &window, [&] {
    if (stopSignals.Take()) window.close();
  });
  stopNotifier.setEnabled(stopSignals.Descriptor() >= 0);
  window.Create();  // shows the window before any warning
  if (window.IsClosed()) return 0;
  return app.exec();
}

}  // namespace ruz
