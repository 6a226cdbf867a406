// The front end without a window.
#include "app/headless.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/settings.h"
#include "log/row_output.h"
#include "platform/error_relay.h"
#include "platform/events.h"
#include "platform/text_codes.h"
#include "server/server.h"
#include "server/public_addresses.h"
#include "server/start_up.h"

namespace ruz {

namespace {

// One line per line of the text; control bytes inside a line are escaped.
void PrintToStderr(const std::string &cp932Text) {
  std::size_t start = 0;
  for (;;) {
    std::size_t end = cp932Text.find('\n', start);
    std::string line = cp932Text.substr(start, end - start);
    std::fprintf(stderr, "%s\n", EscapeControlBytes(Cp932ToUtf8(line)).c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::fflush(stderr);
}

// HTTPS's port and the certificate a visitor can check the server's against.
void PrintTlsLines(const ServerContext &context) {
  const ServerSettings &settings = *context.settings;
  PrintToStderr(Utf8ToCp932("HTTPS ポート: ") + std::to_string(context.boundTlsPort));
  if (context.tlsCertificateMade) {
    PrintToStderr(Utf8ToCp932("自己署名証明書を作成しました: ") + settings.tlscert);
  }
  PrintToStderr(Utf8ToCp932("証明書の SHA-256 フィンガープリント: ") + context.tlsFingerprint);
}

// The addresses other devices can type, one a line.
void PrintPublicAddresses(const PublicAddresses &addresses) {
  if (addresses.reach == Reach::kThisComputerOnly) {
    PrintToStderr(Utf8ToCp932("公開中のアドレス: このコンピューターからのみ接続できます"));
    return;
  }
  for (const std::string &url : addresses.urls) {
    PrintToStderr(Utf8ToCp932("公開中のアドレス: ") + url);
  }
}

// The three lines the main window paints, and the HTTPS lines when it runs.
// The addresses are read before the first line: whoever waits for the port
// line then finds the server settled, with no lookup still holding a socket.
void PrintServerLines(const ServerContext &context) {
  const ServerSettings &settings = *context.settings;
  const PublicAddresses addresses = ListPublicAddresses(
      ListInterfaceAddresses(), settings.bindaddress, context.boundPort, context.boundTlsPort);
  std::string port = std::to_string(context.boundPort);
  PrintToStderr(Utf8ToCp932("サーバーネーム: ") + settings.srvname);
  PrintToStderr(Utf8ToCp932("ポート番号: ") + port);
  PrintToStderr(Utf8ToCp932("ドキュメントルート: ") + settings.root);
  if (context.tlsContext != nullptr) PrintTlsLines(context);
  PrintPublicAddresses(addresses);
}

// How long the printer may wait for a blocked standard output at exit.
constexpr std::chrono::milliseconds kPrinterGrace{1000};

void WaitForStopSignal(const StopSignals &stopSignals) {
  for (;;) {
    if (WaitForReadable({stopSignals.Descriptor()}, -1) == 0 && stopSignals.Take()) return;
  }
}

}  // namespace

int RunHeadless() {
  // Before any thread exists, so that every thread inherits the blocked signals.
  StopSignals stopSignals;
  StatusTable table;
  ServerSettings settings;
  ServerContext context;
  context.statusTable = &table;
  context.settings = &settings;
  context.showWarning = PrintToStderr;
  context.showNotice = PrintToStderr;
  ErrorLineRelay programErrors(kStandardError);
  context.programErrors = &programErrors;
  // The printer runs before the server, so that it already runs when the
  // server lines say the server is there.
  RowPrinter printer(table, kStandardOutput);
  const auto printWarnings = [](const std::vector<std::string> &warnings) {
    for (const std::string &warning : warnings) PrintToStderr(warning);
    return true;
  };
  if (!StartFromSettings(context, FixPlace::kIniFile, printWarnings)) return 1;
  PrintServerLines(context);
  WaitForStopSignal(stopSignals);
  // A second signal is left pending and ignored while stopping.
  StopServer(context);
  printer.Stop(kPrinterGrace);
  return 0;
}

}  // namespace ruz
