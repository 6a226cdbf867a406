// QR codes from libqrencode, painted module by module.
#include "ui/qr_code.h"

#include <qrencode.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include <memory>

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

constexpr int kQuietZoneModules = 4;
// About 8 cm on a common screen: a phone camera at arm's length resolves it.
constexpr int kShownSize = 320;
constexpr int kLeastModuleSize = 4;

struct QrFree {
  void operator()(QRcode *code) const { QRcode_free(code); }
};

}  // namespace

QImage QrCodeImage(const QString &text, int moduleSize) {
  const QByteArray utf8 = text.toUtf8();
  const std::unique_ptr<QRcode, QrFree> code(
      QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M));
  if (code == nullptr) return {};
  const int modules = code->width + 2 * kQuietZoneModules;
  QImage image(modules * moduleSize, modules * moduleSize, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  for (int y = 0; y < code->width; ++y) {
    for (int x = 0; x < code->width; ++x) {
      // The lowest bit of each byte says whether the module is dark.
      if ((code->data[y * code->width + x] & 1) == 0) continue;
      painter.fillRect((x + kQuietZoneModules) * moduleSize, (y + kQuietZoneModules) * moduleSize,
                       moduleSize, moduleSize, Qt::black);
    }
  }
  return image;
}

QrDialog::QrDialog(const QString &address, QWidget *parent) : QDialog(parent) {
  setObjectName(u"qrDialog"_s);
  setWindowTitle(u"QR コード"_s);
  auto *layout = new QVBoxLayout(this);
  auto *code = new QLabel(this);
  code->setObjectName(u"qrImage"_s);
  // Whole device pixels a module, so the modules stay sharp at any scale.
  const qreal ratio = devicePixelRatioF();
  const QImage probe = QrCodeImage(address, 1);
  const int module = probe.isNull() ? kLeastModuleSize
                                    : std::max(kLeastModuleSize,
                                               static_cast<int>(kShownSize * ratio) / probe.width());
  QPixmap pixmap = QPixmap::fromImage(QrCodeImage(address, module));
  pixmap.setDevicePixelRatio(ratio);
  code->setPixmap(pixmap);
  code->setAlignment(Qt::AlignCenter);
  auto *text = new QLabel(address, this);
  text->setAlignment(Qt::AlignCenter);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(code);
  layout->addWidget(text);
  layout->addWidget(buttons);
}

}  // namespace ruz
