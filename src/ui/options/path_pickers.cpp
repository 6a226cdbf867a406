#include "ui/options/path_pickers.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QScreen>

#include <algorithm>

#include "platform/paths.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

namespace {

// Enough for the name, size, type and date columns side by side.
constexpr int kPickerWidthInChars = 110;
constexpr int kPickerHeightInLines = 28;

QSize PickerSize(const QFileDialog &dialog) {
  const QFontMetrics metrics = dialog.fontMetrics();
  const QSize wanted(metrics.averageCharWidth() * kPickerWidthInChars,
                     metrics.height() * kPickerHeightInLines);
  return wanted.boundedTo(dialog.screen()->availableGeometry().size() * 9 / 10);
}

}  // namespace

QString PickPath(QWidget *owner, const PickRequest &request) {
  // A folder that is gone would leave Qt at the process's working folder.
  QString start = request.lastChoice.isEmpty() ? request.startFolder : request.lastChoice;
  const bool save = request.what == PickWhat::kSaveFile;
  const QString mustExist = save ? QFileInfo(start).absolutePath() : start;
  if (start.isEmpty() || !QFileInfo::exists(mustExist)) start = ProgramFolder();
  QFileDialog dialog(owner, request.title, start);
  if (request.what == PickWhat::kFolder) {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
  } else {
    if (save) {
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Qt takes the patterns from the last parenthesised group and, with
    // HideNameFilterDetails, shows the rest.
    dialog.setNameFilter(request.filter);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
  }
  dialog.resize(PickerSize(dialog));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

QString ProgramFolder() { return QDir::cleanPath(FromCp932(ProgramDirectory())); }

QString ProgramRelative(const QString &path) {
  const QString folder = ProgramFolder();
  const QString cleaned = QDir::cleanPath(path);
  if (cleaned == folder) return u"."_s;
  if (!cleaned.startsWith(folder + u'/')) return path;
  return cleaned.mid(folder.size() + 1);
}

}  // namespace ruz
