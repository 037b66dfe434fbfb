#include "app/file_dialog_folder.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtWidgets/QFileDialog>

namespace qm {
namespace {

// The dialogs run on the window thread only.
QString& LastFolder() {
  static QString folder;
  return folder;
}

} // namespace

QString FileDialogFolder() {
  const QString& last = LastFolder();
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  return QDir::homePath();
}

QString InFileDialogFolder(const QString& proposed) {
  if (proposed.isEmpty()) return FileDialogFolder();
  if (QFileInfo(proposed).isAbsolute()) return proposed;
  return QDir(FileDialogFolder()).filePath(proposed);
}

void RememberFileDialogChoice(const QString& chosen) {
  if (chosen.isEmpty()) return;
  LastFolder() = QFileInfo(chosen).absolutePath();
}

QString ChooseOpenFileInFolder(QWidget* owner, const QString& caption, const QString& filter) {
  const QString chosen = QFileDialog::getOpenFileName(owner, caption, FileDialogFolder(), filter);
  RememberFileDialogChoice(chosen);
  return chosen;
}

QString ChooseSaveFileInFolder(QWidget* owner, const QString& caption, const QString& proposed,
                               const QString& filter) {
  const QString chosen = QFileDialog::getSaveFileName(owner, caption, InFileDialogFolder(proposed), filter);
  RememberFileDialogChoice(chosen);
  return chosen;
}

} // namespace qm
