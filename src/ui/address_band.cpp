// The address rows: link, copy button and QR button per address.
#include "ui/address_band.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/qr_code.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

// Two columns of addresses when there are more than this many, so the band
// stays low on a machine with several addresses.
constexpr int kSingleColumnLimit = 3;
constexpr int kCellsPerAddress = 3;

QToolButton *SmallButton(const QString &text, const QString &tip, QWidget *parent) {
  auto *button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

AddressBand::AddressBand(Source source, QWidget *parent)
    : QWidget(parent), source_(std::move(source)) {
  setObjectName(u"addressBand"_s);
  auto *outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 0, 8, 4);
  outer->setSpacing(0);
  auto *title = new QLabel(u"公開中のアドレス"_s, this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  notice_ = new QLabel(this);
  notice_->setObjectName(u"addressNotice"_s);
  auto *rows = new QWidget(this);
  grid_ = new QGridLayout(rows);
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setHorizontalSpacing(4);
  grid_->setVerticalSpacing(0);
  outer->addWidget(title);
  outer->addWidget(notice_);
  outer->addWidget(rows);
  connect(&timer_, &QTimer::timeout, this, &AddressBand::Refresh);
  timer_.start(kAddressRefreshMs);
  Refresh();
}

QString AddressBand::Notice() const { return notice_->isVisible() ? notice_->text() : QString(); }

void AddressBand::Refresh() {
  const PublicAddresses addresses = source_ ? source_() : PublicAddresses{};
  QStringList urls;
  for (const std::string &url : addresses.urls) urls.append(QString::fromStdString(url));
  if (shown_ && urls == urls_ && addresses.reach == reach_) return;
  urls_ = urls;
  reach_ = addresses.reach;
  shown_ = true;
  Rebuild(addresses);
}

void AddressBand::Rebuild(const PublicAddresses &addresses) {
  while (QLayoutItem *item = grid_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  if (addresses.reach == Reach::kThisComputerOnly) {
    notice_->setText(u"このコンピューターからのみ接続できます（bindaddress=localhost）"_s);
  } else if (urls_.isEmpty()) {
    notice_->setText(u"ネットワークのアドレスがありません"_s);
  }
  notice_->setVisible(addresses.reach == Reach::kThisComputerOnly || urls_.isEmpty());
  for (int i = 0; i < urls_.size(); ++i) AddRow(i, urls_[i]);
}

void AddressBand::AddRow(int index, const QString &url) {
  const bool twoColumns = urls_.size() > kSingleColumnLimit;
  const int rows = twoColumns ? (static_cast<int>(urls_.size()) + 1) / 2 : urls_.size();
  const int row = index % rows;
  const int column = (index / rows) * (kCellsPerAddress + 1);
  QWidget *parent = grid_->parentWidget();
  auto *link = new QLabel(u"<a href=\"%1\">%1</a>"_s.arg(url.toHtmlEscaped()), parent);
  link->setObjectName(u"addressLink"_s);
  link->setTextFormat(Qt::RichText);
  link->setOpenExternalLinks(true);
  link->setToolTip(u"ブラウザで開く"_s);
  QToolButton *copy = SmallButton(u"コピー"_s, u"アドレスをコピー"_s, parent);
  QToolButton *qr = SmallButton(u"QR"_s, u"QR コードを表示"_s, parent);
  connect(copy, &QToolButton::clicked, this, [url] { CopyAddress(url); });
  connect(qr, &QToolButton::clicked, this, [this, url] { ShowQr(url); });
  grid_->addWidget(link, row, column);
  grid_->addWidget(copy, row, column + 1);
  grid_->addWidget(qr, row, column + 2);
  grid_->setColumnStretch(column + kCellsPerAddress, 1);
}

void AddressBand::CopyAddress(const QString &address) {
  QApplication::clipboard()->setText(address);
}

void AddressBand::ShowQr(const QString &url) {
  auto *dialog = new QrDialog(url, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
}

}  // namespace ruz
