// The band above the status list that shows the server name, port and
// document root.
#pragma once

#include <QWidget>

namespace ruz {

struct ServerSettings;

/// The band's least height and line step, as at the default font.
inline constexpr int kFactBandHeight = 90;
inline constexpr int kFactLineStep = 18;

class FactBand : public QWidget {
  Q_OBJECT

 public:
  /// settings must outlive the band; it is read at every paint.
  explicit FactBand(const ServerSettings &settings, QWidget *parent = nullptr);

  /// The three lines as painted, top to bottom.
  QStringList Lines() const;

  /// The distance between two lines: the font's line spacing, at least kFactLineStep.
  int LineStep() const;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void changeEvent(QEvent *event) override;

 private:
  void FitHeight();
  QMargins TextMargins() const;

  const ServerSettings &settings_;
};

}  // namespace ruz
