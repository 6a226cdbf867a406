// A QR code of a text as an image, and the window that shows one to a phone.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

namespace ruz {

/// The QR code of text (UTF-8, error correction level M) with its four-module
/// quiet zone, black on white, moduleSize pixels a module; a null image when
/// the text cannot be encoded.
QImage QrCodeImage(const QString &text, int moduleSize);

/// Shows the QR code of an address large enough to scan at arm's length, with
/// the address under it.
class QrDialog : public QDialog {
  Q_OBJECT

 public:
  QrDialog(const QString &address, QWidget *parent = nullptr);
};

}  // namespace ruz
