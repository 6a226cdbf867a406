// A page of the options sheet and the controls bound to ini keys.
#pragma once

#include <QWidget>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/options/options_sheet.h"

class QCheckBox;
class QLineEdit;

namespace ruz {

/// Where a page writes on OK: section "RUZ" of the ini file at iniPath.
struct ApplyTarget {
  OptionsContext &context;
  std::string iniPath;

  /// Writes one main-section key and notes the change.
  void Write(std::string_view key, std::string_view value);
};

/// A page: its controls, and the steps that write what differs, in page order.
class OptionsPage : public QWidget {
 public:
  using ApplyStep = std::function<void(ApplyTarget &)>;

  OptionsPage(const ServerSettings &settings, OptionsMemory &memory);

  const ServerSettings &Settings() const { return settings_; }
  OptionsMemory &Memory() const { return memory_; }

  void AddStep(ApplyStep step) { steps_.push_back(std::move(step)); }
  void Apply(ApplyTarget &target) const;

  /// What the controls ask for, but at least the classic page size of 210 × 160
  /// dialog units of the page's font.
  QSize sizeHint() const override;

 private:
  const ServerSettings &settings_;
  OptionsMemory &memory_;
  std::vector<ApplyStep> steps_;
};

/// A check box named key, ticked when loaded is not 0; on OK writes "0" or "1"
/// when its state differs from the loaded flag.
QCheckBox *AddFlagBox(OptionsPage &page, const char *key, const QString &label, int loaded);

/// An edit named key showing the CP932 text shown; on OK, when its text differs
/// from what it was filled with, writes the typed text's CP932 bytes cut to
/// limit. Untouched texts are never re-encoded (CP932 does not round-trip).
QLineEdit *AddTextEdit(OptionsPage &page, const char *key, std::string_view shown,
                       std::size_t limit);

/// An edit named key showing loaded as "%d"; on OK, when the typed text's
/// leading integer differs from loaded, writes the text as typed (cut to limit).
QLineEdit *AddNumberEdit(OptionsPage &page, const char *key, int loaded, std::size_t limit);

/// A QString holding the ASCII key (object names of controls).
QString KeyName(const char *key);

}  // namespace ruz
