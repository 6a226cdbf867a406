// The access log in a window of its own: its last lines, then every line as it
// is written, with a search field.
#pragma once

#include <QDialog>
#include <QTimer>

#include <string>

#include "log/log_follower.h"

class QLineEdit;
class QPlainTextEdit;

namespace ruz {

/// How often the log is read for new lines, and how much of it is shown.
inline constexpr int kLogPollMs = 500;
inline constexpr int kLogTailBytes = 256 * 1024;
inline constexpr int kLogShownLines = 20000;

class LogViewer : public QDialog {
  Q_OBJECT

 public:
  /// cp932Path: the log file; it need not exist yet.
  LogViewer(const std::string &cp932Path, QWidget *parent = nullptr);

  /// Reads what arrived (also called by the viewer's timer).
  void Poll();
  QString Text() const;
  /// Selects the next match of the search text after the cursor (wrapping);
  /// false when there is none.
  bool FindNext();

 private:
  LogFollower follower_;
  QTimer timer_;
  QPlainTextEdit *text_ = nullptr;
  QLineEdit *search_ = nullptr;
};

}  // namespace ruz
