// The main window's side of the update check: the three-hour schedule, the
// check mark of item 17 and the download offer.
#include <QUrl>

#include "config/setting_fields.h"
#include "config/settings_writer.h"
#include "platform/ini.h"
#include "ui/external_open.h"
#include "ui/main_window.h"
#include "ui/menus.h"
#include "ui/message_boxes.h"
#include "ui/qt_text.h"
#include "ui/update_reply.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

/// The update host: the hidden key updatehost of section RUZ, else the built-in one.
UpdateHost ConfiguredUpdateHost() {
  IniDocument doc;
  LoadIniFile(IniPath(), doc);
  const std::string text = GetIniString(doc, kMainSection, field::kUpdateHost.key, RUZ_UPDATE_HOST,
                                        field::kUpdateHost.capacity);
  UpdateHost host;
  if (!ParseUpdateHost(text, host)) ParseUpdateHost(RUZ_UPDATE_HOST, host);
  return host;
}

}  // namespace

void MainWindow::ApplyAutoUpdateFlag() {
  if (!settings_.autoupdatecheck) {
    updateTimer_.stop();
  } else if (!updateTimer_.isActive()) {
    updateTimer_.start(kUpdatePeriodMs);
  }
  MenuAction(kCmdAutoUpdate)->setChecked(settings_.autoupdatecheck != 0);
}

void MainWindow::ToggleAutoUpdate() {
  const int enabled = settings_.autoupdatecheck ? 0 : 1;
  settings_.autoupdatecheck = enabled;
  updateTimer_.stop();  // switching on starts a fresh period, without a check now
  ApplyAutoUpdateFlag();
  const std::string path = IniPath();
  if (WriteResult written = WriteIntSetting(field::kAutoUpdateCheck, enabled, path); !written) {
    ShowWriteWarning(this, path, written);
  }
}

void MainWindow::RunUpdateCheck() {
  if (closed_ || checker_.IsRunning()) return;
  const UpdateHost host = ConfiguredUpdateHost();
  checker_.Start(FromCp932(host.host), host.port);
}

void MainWindow::OnUpdateChecked(bool ok, const QByteArray &body) {
  if (!ok || closed_) return;
  if (!OffersNewVersion(std::string_view(body.constData(), static_cast<std::size_t>(body.size()))))
    return;
  if (offerOpen_) return;  // never a second offer over an open one
  if (busy_) {
    offerPending_ = true;
    return;
  }
  OfferDownload();
}

void MainWindow::OfferDownload() {
  if (offerOpen_ || closed_) return;
  offerOpen_ = true;
  const bool yes =
      AskYesNo(this, u"新バージョンが公開されています\nダウンロードページを開きますか?"_s);
  offerOpen_ = false;
  const QUrl page(QString::fromUtf8(RUZ_DOWNLOAD_URL));
  if (yes && !closed_) opener_->Open(page, page.toString());
}

}  // namespace ruz
