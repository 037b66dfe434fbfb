// Where the program's file dialogs start: the folder of the file last
// chosen in any of them, else the user's home folder; never the working
// directory, which for a program started from a launcher or a script is
// no place of the user's.
#pragma once

#include <QtCore/QString>

class QWidget;

namespace qm {

// The folder the next file dialog starts in.
QString FileDialogFolder();
// A proposed file name placed in that folder; a path that names a folder
// of its own is kept as it is.
QString InFileDialogFolder(const QString& proposed);
// Remembers the folder of a chosen file; an empty choice (cancelled)
// changes nothing.
void RememberFileDialogChoice(const QString& chosen);

// The system's file dialogs, started in that folder and remembering the
// choice.
QString ChooseOpenFileInFolder(QWidget* owner, const QString& caption, const QString& filter);
QString ChooseSaveFileInFolder(QWidget* owner, const QString& caption, const QString& proposed,
                               const QString& filter);

} // namespace qm
