// The band above the status list that shows the server name, port and
// document root.
#pragma once

#include <QWidget>

namespace ruz {

struct ServerSettings;

inline constexpr int kFactBandHeight = 90;

class FactBand : public QWidget {
  Q_OBJECT

 public:
  /// settings must outlive the band; it is read at every paint.
  explicit FactBand(const ServerSettings &settings, QWidget *parent = nullptr);

  /// The three lines as painted, top to bottom.
  QStringList Lines() const;

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  const ServerSettings &settings_;
};

}  // namespace ruz
