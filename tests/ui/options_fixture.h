// Fixture for the options sheet and dialogs: a temporary program directory with
// its own ruz.ini, the sheet run without exec(), and helpers to drive modals.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/text_codes.h"
#include "ui/options/options_sheet.h"
#include "ui/qt_text.h"

namespace ruz::testing {

inline QString Name(const char *name) { return QString::fromLatin1(name); }

/// Line edits by object name and the text to type into them.
using Fields = std::vector<std::pair<const char *, QString>>;

/// Calls action with the next modal widget other than current, once it is up.
/// Polls through the event loop (the modal's own loop runs it), never sleeps.
/// Deleting the returned timer withdraws a watch whose modal never came.
inline QPointer<QTimer> OnModal(std::function<void(QWidget *)> action,
                                QWidget *current = nullptr) {
  auto *poll = new QTimer;
  poll->setInterval(0);
  QObject::connect(poll, &QTimer::timeout, [poll, action, current] {
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || modal == current || !modal->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action(modal);
  });
  poll->start();
  return poll;
}

/// Clicks the push button called name inside widget.
inline void Click(QWidget *widget, const char *name) {
  auto *button = widget->findChild<QPushButton *>(Name(name));
  ASSERT_NE(button, nullptr) << name;
  button->click();
}

/// Sets the line edit called name inside widget.
inline void Type(QWidget *widget, const char *name, const QString &text) {
  auto *edit = widget->findChild<QLineEdit *>(Name(name));
  ASSERT_NE(edit, nullptr) << name;
  edit->setText(text);
}

/// Makes window the active one, moves the focus over each of its visible push
/// buttons (each may claim the default while it has the focus) and then to
/// target, and presses Enter there.
inline void EnterAfterVisitingEveryButton(QWidget *window, QWidget *target) {
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  for (QPushButton *button : window->findChildren<QPushButton *>()) {
    if (button->isVisible()) button->setFocus(Qt::TabFocusReason);
  }
  target->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(target->hasFocus());
  QTest::keyClick(target, Qt::Key_Return);
}

inline QString TextOf(QWidget *widget, const char *name) {
  auto *edit = widget->findChild<QLineEdit *>(Name(name));
  return edit ? edit->text() : QStringLiteral("<missing>");
}

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramDirectory(dir_.path().toStdString());
    // A stray modal would hang the test: close it and fail instead.
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [] {
      ADD_FAILURE() << "a modal window was left open";
      while (QWidget *modal = QApplication::activeModalWidget()) modal->close();
    });
    watchdog_.start(20000);
  }

  void TearDown() override {
    watchdog_.stop();
    sheet_.reset();
    context_.reset();
  }

  std::string IniFile() const { return dir_.path().toStdString() + "/ruz.ini"; }

  void WriteIni(const std::string &bytes) {
    std::ofstream(IniFile(), std::ios::binary) << bytes;
  }

  std::string ReadIni() const {
    std::ifstream in(IniFile(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  /// The value of key in section of the file as it is now, or "<absent>".
  std::string Key(const char *section, const char *key) const {
    IniDocument doc;
    if (!LoadIniFile(IniFile(), doc)) return "<no file>";
    return GetIniString(doc, section, key, "<absent>", 4096);
  }

  /// Loads the settings from the file and opens a fresh sheet on them (page 0
  /// shown, unless atLastPage: the page the last sheet showed).
  OptionsSheet &OpenSheet(bool atLastPage = false) {
    sheet_.reset();
    if (!atLastPage) memory_.lastPage = 0;
    settings_ = ServerSettings{};
    EXPECT_TRUE(LoadSettings(settings_));
    context_ = std::make_unique<OptionsContext>(OptionsContext{settings_});
    sheet_ = std::make_unique<OptionsSheet>(nullptr, *context_, memory_);
    sheet_->show();
    return *sheet_;
  }

  void ShowPage(int index) { sheet_->Tabs()->setCurrentIndex(index); }

  /// Clicks the sheet's OK and returns what RunOptionsSheet would.
  int PressOk() {
    Click(sheet_.get(), "ok");
    return context_->changed;
  }

  int PressCancel() {
    Click(sheet_.get(), "cancel");
    return context_->changed;
  }

  template <class T>
  T *Find(const char *name) {
    return sheet_->findChild<T *>(Name(name));
  }

  QTreeWidget *List(const char *name) { return Find<QTreeWidget>(name); }

  /// The list's rows as "cell|cell|…" texts, top to bottom.
  std::vector<std::string> Cells(const char *name) {
    std::vector<std::string> rows;
    QTreeWidget *view = List(name);
    for (int r = 0; view && r < view->topLevelItemCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < view->columnCount(); ++c) cells << view->topLevelItem(r)->text(c);
      rows.push_back(cells.join(u'|').toStdString());
    }
    return rows;
  }

  void Select(const char *name, int row) {
    QTreeWidget *view = List(name);
    view->clearSelection();
    if (row >= 0) view->topLevelItem(row)->setSelected(true);
  }

  QTemporaryDir dir_;
  OptionsMemory memory_;
  ServerSettings settings_;
  std::unique_ptr<OptionsContext> context_;
  std::unique_ptr<OptionsSheet> sheet_;
  QTimer watchdog_;
};

}  // namespace ruz::testing
