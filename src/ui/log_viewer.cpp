// Following the access log in a read-only text view.
#include "ui/log_viewer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QFontDatabase>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::StringLiterals;

LogViewer::LogViewer(const std::string &cp932Path, QWidget *parent)
    : QDialog(parent), follower_(cp932Path, kLogTailBytes) {
  setObjectName(u"logViewer"_s);
  setWindowTitle(u"通信ログ - %1"_s.arg(FromCp932(cp932Path)));
  auto *layout = new QVBoxLayout(this);
  auto *bar = new QHBoxLayout();
  search_ = new QLineEdit(this);
  search_->setObjectName(u"logSearch"_s);
  search_->setPlaceholderText(u"検索"_s);
  search_->setClearButtonEnabled(true);
  auto *next = new QPushButton(u"次を検索"_s, this);
  bar->addWidget(new QLabel(u"検索:"_s, this));
  bar->addWidget(search_, 1);
  bar->addWidget(next);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(u"logText"_s);
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setMaximumBlockCount(kLogShownLines);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addLayout(bar);
  layout->addWidget(text_);
  connect(search_, &QLineEdit::returnPressed, this, &LogViewer::FindNext);
  connect(next, &QPushButton::clicked, this, &LogViewer::FindNext);
  connect(&timer_, &QTimer::timeout, this, &LogViewer::Poll);
  resize(760, 420);
  Poll();
  timer_.start(kLogPollMs);
}

void LogViewer::Poll() {
  std::string lines = follower_.Poll();
  if (lines.empty()) return;
  std::erase(lines, '\r');
  if (lines.back() == '\n') lines.pop_back();
  // Following the end only while the reader is at the end, as tail -f does.
  QScrollBar *scroll = text_->verticalScrollBar();
  const bool atEnd = scroll->value() == scroll->maximum();
  text_->appendPlainText(FromCp932(lines));
  if (atEnd) scroll->setValue(scroll->maximum());
}

QString LogViewer::Text() const { return text_->toPlainText(); }

bool LogViewer::FindNext() {
  const QString wanted = search_->text();
  if (wanted.isEmpty()) return false;
  if (text_->find(wanted)) return true;
  QTextCursor start = text_->textCursor();
  start.movePosition(QTextCursor::Start);
  text_->setTextCursor(start);
  return text_->find(wanted);
}

}  // namespace ruz
