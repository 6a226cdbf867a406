// The front end without a window.
#include "app/headless.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "config/root_path.h"
#include "config/settings.h"
#include "log/row_output.h"
#include "platform/events.h"
#include "platform/text_codes.h"
#include "server/context.h"
#include "server/owner_loop.h"

namespace ruz {

namespace {

void PrintToStderr(const std::string &cp932Text) {
  std::fprintf(stderr, "%s\n", EscapeControlBytes(Cp932ToUtf8(cp932Text)).c_str());
  std::fflush(stderr);
}

void PrintRow(const std::string &utf8Line) {
  std::fprintf(stdout, "%s\n", utf8Line.c_str());
  std::fflush(stdout);
}

// The three lines the main window paints.
void PrintServerLines(const ServerContext &context) {
  const ServerSettings &settings = *context.settings;
  std::string port = std::to_string(context.boundPort);
  PrintToStderr(Utf8ToCp932("サーバーネーム: ") + settings.srvname);
  PrintToStderr(Utf8ToCp932("ポート番号: ") + port);
  PrintToStderr(Utf8ToCp932("ドキュメントルート: ") + settings.root);
}

}  // namespace

int RunHeadless() {
  // Before any thread exists, so that every thread inherits the blocked signals.
  StopSignals stopSignals;
  OwnerLoop owner;
  PrintingStatusView view(PrintRow);
  ServerSettings settings;
  if (LoadSettings(settings) != 0) PrintToStderr(Utf8ToCp932("ruz.iniのロードに失敗しました"));
  TrimRootSlash(settings.root);  // at program start only, not on a restart

  ServerContext context;
  context.owner = &owner;
  context.listView = &view;
  context.settings = &settings;
  context.showWarning = PrintToStderr;
  if (!StartServer(context)) return 1;
  PrintServerLines(context);

  // The owner thread sleeps on its own queue; a watcher thread turns the first
  // stop signal into a wake-up (a second one is left pending and ignored).
  std::atomic<bool> stopRequested{false};
  std::thread watcher([&] {
    while (WaitForReadable({stopSignals.Descriptor()}, -1) == 0) {
      if (stopSignals.Take()) {
        stopRequested = true;
        owner.Notify();
        return;
      }
    }
  });
  owner.WaitUntil([&] { return stopRequested.load(); });
  watcher.join();
  StopServer(context);
  return 0;
}

}  // namespace ruz
