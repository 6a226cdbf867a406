// A measure of how long the GUI thread's event loop went without turning: a
// short timer that notes how late it fires. For benchmarks and tests.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace ruz {

class StallMeter : public QObject {
  Q_OBJECT

 public:
  explicit StallMeter(QObject *parent = nullptr);
  /// The longest time in milliseconds between two turns of the event loop
  /// since the meter started, beyond the timer's own interval.
  qint64 LongestStallMs() const { return longest_; }

 private:
  void Tick();

  QTimer timer_;
  QElapsedTimer sinceTick_;
  qint64 longest_ = 0;
};

/// With RUZ_STALL_REPORT set to a file path, measures the event loop's stalls
/// while the application runs and writes the longest (in ms) to that file
/// when it quits. Does nothing otherwise.
void ReportStallsOnQuitIfAsked(QObject *application);

}  // namespace ruz
