#include "dialogs/office_preview.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>
#include <QtWidgets/QMessageBox>

#include "app/string_table.h"
#include "filemodel/target_names.h"
#include "platform/log.h"
#include "preview/compound_file.h"
#include "preview/preview_rules.h"
#include "preview/temp_path_names.h"

namespace qm {

bool DesktopExternalViewer::Open(const QString& path, const QString&) {
  const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (!office.isEmpty())
    return QProcess::startDetached(office, {QStringLiteral("--view"), QStringLiteral("--norestore"), path});
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

ExternalViewer& DefaultExternalViewer() {
  static DesktopExternalViewer viewer;
  return viewer;
}

bool OpenInDocumentViewer(ExternalViewer& viewer, const QString& copy, const QString& documentName,
                          bool skipTest, QWidget* owner) {
  if (!skipTest) {
    CompoundFile file;
    if (!file.OpenPath(copy.toStdString())) return false;
  }
  // The viewer's own copy, named after the document, beside the preview's.
  const std::string extension = ExtensionOf(documentName.toStdString());
  const QString viewCopy = copy + QString::fromStdString(extension.size() <= 8 ? extension : std::string());
  QFile::remove(viewCopy);
  if (!QFile::copy(copy, viewCopy)) {
    LogError("Cannot copy %s for the document viewer", copy.toUtf8().constData());
    return false;
  }
  CTempPathNameSignle::GetInstance().KeepUntilExit(viewCopy.toStdString());
  if (!viewer.Open(viewCopy, documentName)) {
    LogInfo("No program could open %s", viewCopy.toUtf8().constData());
    return false;
  }
  // The other program takes a moment to show the document; the note does
  // not wait for it.
  auto* note = new QMessageBox(QMessageBox::Information, LoadAppString(346),
                               QObject::tr("\"%1\" is being opened in another program.").arg(documentName),
                               QMessageBox::Ok, owner);
  note->setObjectName(QStringLiteral("documentViewerNote"));
  note->setAttribute(Qt::WA_DeleteOnClose);
  note->setModal(false);
  note->show();
  return true;
}

} // namespace qm
