// A measure of how long the GUI thread's event loop went without turning.
#include "ui/stall_meter.h"

#include <QCoreApplication>

#include <algorithm>
#include <string>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/text_codes.h"

namespace ruz {

namespace {

constexpr int kTickMs = 10;

}  // namespace

StallMeter::StallMeter(QObject *parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &StallMeter::Tick);
  timer_.start(kTickMs);
  sinceTick_.start();
}

void StallMeter::Tick() {
  longest_ = std::max(longest_, sinceTick_.restart() - kTickMs);
}

void ReportStallsOnQuitIfAsked(QObject *application) {
  std::string path;
  if (!GetEnvironmentValue("RUZ_STALL_REPORT", path) || path.empty()) return;
  auto *meter = new StallMeter(application);
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, meter, [meter, path] {
    // The application is quitting: a report that cannot be written has no one
    // left to tell, and the benchmark that asked for it sees the file missing.
    static_cast<void>(
        ReplaceFileAtomically(Utf8ToCp932(path), std::to_string(meter->LongestStallMs()) + "\n"));
  });
}

}  // namespace ruz
