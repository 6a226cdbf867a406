// Fixture for the main window tests: a temporary program directory with its
// own ruz.ini and document root, the window on a real server, modal helpers, a
// watchdog, a URL recorder and a small HTTP client on its own thread.
#pragma once

#include "server/context.h"

#include <QMessageBox>
#include <QPushButton>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "config/settings.h"
#include "ui/main_window.h"

/// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

namespace ruz::testing {

/// Records the URLs Qt would open instead of opening them.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  UrlRecorder();
  ~UrlRecorder() override;
  QList<QUrl> urls;

 public Q_SLOTS:
  void Open(const QUrl &url) { urls << url; }
};

/// What a message box showed before the helper clicked one of its buttons.
struct SeenBox {
  /// Withdraws an answer whose box never came, so it cannot take a later one.
  void Withdraw() {
    if (!watch) return;
    watch->stop();
    watch->deleteLater();
  }
  QPointer<QTimer> watch;
  bool seen = false;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  Qt::WindowFlags flags;
  bool overShownWindow = false;  // parented to a window that was already on screen
};

/// Calls action with the next modal widget once it is up (polled through the
/// event loop, which the modal's own loop keeps running). With a type, only a
/// modal of that class is taken, so several answers can be armed in order.
QPointer<QTimer> OnNextModal(std::function<void(QWidget *)> action,
                             const QMetaObject *type = nullptr);

/// Records the next message box and clicks its button (the default button
/// when button is NoButton).
std::shared_ptr<SeenBox> AnswerNextBox(QMessageBox::StandardButton button = QMessageBox::NoButton);

/// The same, clicking the button with this object name.
std::shared_ptr<SeenBox> AnswerNextBoxWith(const QString &buttonName);

/// What a file dialog showed before the helper answered it.
struct SeenDialog {
  bool seen = false;
  QString title;
  QStringList filters;
  QStringList preselected;
};

/// Answers the next file dialog with path (or cancels it when path is empty).
std::shared_ptr<SeenDialog> AnswerNextFileDialog(const QString &path);

/// A free TCP port on this machine (bound once and released).
int FreePort();

/// One HTTP/1.0 GET on 127.0.0.1 from a thread of its own.
class Fetch {
 public:
  Fetch(int port, std::string path);
  ~Fetch();
  bool Done() const { return done_; }
  /// The whole reply; valid once Done().
  const std::string &Reply() const { return reply_; }

 private:
  std::atomic<bool> done_{false};
  std::string reply_;
  std::thread thread_;
};

/// Pumps the event loop until done() or timeoutMs pass; true when done.
bool WaitFor(const std::function<bool()> &done, int timeoutMs = 10000);

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Home() const;
  /// Writes ruz.ini (UTF-8 text converted to CP932).
  void WriteIni(const std::string &utf8);
  void WriteFile(const std::string &relative, const std::string &bytes);
  std::string ReadFile(const std::string &relative) const;
  /// A [RUZ] section serving www on port with the extra lines appended.
  std::string BasicIni(int port, const std::string &extra = "") const;

  /// Builds the window, runs its creation steps, shows it and waits for it.
  MainWindow &Open(int updateDeadlineMs = 10000);
  /// The window's close path; false when it did not end the window.
  bool CloseWindow();

  /// The texts of a status-list row.
  QStringList Row(int row);

  QTemporaryDir dir_;
  ServerSettings settings_;
  ServerContext context_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<UrlRecorder> urls_;
  QTimer watchdog_;
};

}  // namespace ruz::testing
