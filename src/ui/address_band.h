// The addresses other devices type to reach the server: links that open the
// browser, with a copy and a QR button each, kept up to date as the network
// changes.
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "server/public_addresses.h"

class QGridLayout;
class QLabel;

namespace ruz {

/// How often the interface addresses are looked at again.
inline constexpr int kAddressRefreshMs = 5000;

class AddressBand : public QWidget {
  Q_OBJECT

 public:
  /// source gives the addresses now (nothing while the server is stopped).
  using Source = std::function<PublicAddresses()>;
  explicit AddressBand(Source source, QWidget *parent = nullptr);

  /// Looks at the addresses now; rebuilds the rows only when they changed.
  void Refresh();
  /// The addresses shown, in order.
  QStringList Urls() const { return urls_; }
  /// The line said instead of addresses ("" while addresses are shown).
  QString Notice() const;

  /// Puts address on the clipboard.
  static void CopyAddress(const QString &address);

 private:
  void Rebuild(const PublicAddresses &addresses);
  void AddRow(int index, const QString &url);
  void ShowQr(const QString &url);

  Source source_;
  QTimer timer_;
  QStringList urls_;
  Reach reach_ = Reach::kNetwork;
  bool shown_ = false;  // rows built at least once
  QGridLayout *grid_ = nullptr;
  QLabel *notice_ = nullptr;
};

}  // namespace ruz
