// The file and folder pickers of the options sheet and the window: where they
// start, what their title says, a size that shows the columns, and how the
// choice is written back.
#pragma once

#include <QString>

class QWidget;

namespace ruz {

enum class PickWhat {
  kFile,      // an existing file
  kFolder,    // an existing folder
  kSaveFile,  // a file name to write; the caller asks before replacing one
};

struct PickRequest {
  QString title;        // says what is picked
  QString startFolder;  // where the picker opens when nothing was picked before
                        // (for kSaveFile, the suggested file path)
  QString lastChoice;   // the previous choice; the picker opens at it when set
  QString filter;       // name filters for files; ignored for folders
  PickWhat what = PickWhat::kFile;
};

/// Runs the picker modally over owner; the chosen absolute path, or "" on cancel.
QString PickPath(QWidget *owner, const PickRequest &request);

/// path relative to the program folder when it lies inside it ("site/a.html"),
/// else path unchanged; the program folder itself becomes ".".
QString ProgramRelative(const QString &path);

/// The program folder as an absolute path.
QString ProgramFolder();

}  // namespace ruz
