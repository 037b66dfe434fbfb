#include "dialogs/preview_chain.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QMimeDatabase>
#include <QtCore/QStorageInfo>

#include "app/file_dialog_folder.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/volume_file_system.h"
#include "dialogs/copy_progress_dlg.h"
#include "dialogs/file_preview_dlg.h"
#include "dialogs/office_preview.h"
#include "dialogs/rtf_previewer_dlg.h"
#include "filemodel/file_node.h"
#include "platform/log.h"
#include "preview/compound_file.h"
#include "preview/preview_rules.h"
#include "preview/temp_path_names.h"

namespace qm {
namespace {

QString Caption() { return LoadAppString(346); }

int Run(const std::function<int(QWidget&)>& runDialog, QDialog& dialog) {
  return runDialog ? runDialog(dialog) : dialog.exec();
}

} // namespace

bool CanPreview(QWidget* owner, Prompter& prompter, CFileNode* node) {
  const IFileProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
  QString text;
  switch (CheckPreviewable(properties)) {
  case PreviewRefusal::None:
    return true;
  case PreviewRefusal::CannotPreview:
    text = QObject::tr("Cannot preview this file.");
    break;
  case PreviewRefusal::Folder:
    text = QObject::tr("Cannot preview directory.");
    break;
  case PreviewRefusal::Encrypted:
    text = QObject::tr("Cannot preview encrypted file.");
    break;
  case PreviewRefusal::TooBig:
    text = QObject::tr("The file is too big to preview. (Max size: 100M)");
    break;
  }
  prompter.Inform(owner, text, Caption(), PromptIcon::Information);
  return false;
}

PreviewOutcome PreviewFoundFile(QWidget* owner, const PreviewServices& services, IStorageDevice* source,
                                CFileNode* node) {
  Prompter& prompter = services.prompter != nullptr ? *services.prompter : DefaultPrompter();
  ExternalViewer& viewer = services.viewer != nullptr ? *services.viewer : DefaultExternalViewer();
  if (node == nullptr) {
    prompter.Inform(owner, QObject::tr("Please select a file to preview!"), Caption(),
                    PromptIcon::Information);
    return PreviewOutcome::Refused;
  }
  if (!CanPreview(owner, prompter, node)) return PreviewOutcome::Refused;
  auto& names = CTempPathNameSignle::GetInstance();
  const std::string copyPath = names.MakeTempName();
  if (copyPath.empty()) {
    prompter.Inform(owner, QObject::tr("Cannot preview this file."), Caption(), PromptIcon::Information);
    return PreviewOutcome::NotCopied;
  }
  const QString copy = QString::fromStdString(copyPath);
  {
    CPreviewLoadingDlg loading(source, node, copy, owner);
    loading.SetPrompter(prompter);
    if (Run(services.runDialog, loading) != CCopyProgressDlg::kCopied) {
      names.DeleteTempFile(copyPath);
      return PreviewOutcome::NotCopied;
    }
  }
  QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
  const QString name = QString::fromUtf8(node->GetProperties()->GetName());
  PreviewOutcome outcome = PreviewOutcome::Dialog;
  if (CRtfPreviewerDlg::IsRtfFile(copy)) {
    CRtfPreviewerDlg rtf(owner);
    rtf.Load(copy, name);
    Run(services.runDialog, rtf);
    outcome = PreviewOutcome::Rtf;
  } else {
    const OfficeRoute route = ChooseOfficeRoute(IsOfficeCompoundDocument(copyPath), name.toStdString());
    if (route == OfficeRoute::NotADocument)
      prompter.Inform(
          owner,
          QObject::tr("Failed to preview the file. The file is neither a valid Word nor Excel document."),
          Caption(), PromptIcon::Warning);
    // A document no program could be started for is shown here instead.
    if ((route == OfficeRoute::Viewer || route == OfficeRoute::ViewerUntested) &&
        OpenInDocumentViewer(viewer, copy, name, route == OfficeRoute::ViewerUntested, owner))
      outcome = PreviewOutcome::Office;
  }
  if (outcome == PreviewOutcome::Dialog) {
    CFilePreViewDlg dialog(owner);
    dialog.SetNotifyWindow(owner);
    dialog.SetPaths(copy, name);
    bool recover = false;
    QObject::connect(&dialog, &CFilePreViewDlg::RecoverRequested, &dialog, [&recover] { recover = true; });
    Run(services.runDialog, dialog);
    names.DeleteTempFile(copyPath);
    // The recovery runs once the preview is closed and its copy gone.
    if (recover && services.recover) services.recover();
    return outcome;
  }
  names.DeleteTempFile(copyPath);
  return outcome;
}

QString ChooseSaveFileWithDialog(QWidget* owner, const QString& defaultName, const QString& filter) {
  return ChooseSaveFileInFolder(owner, QString(), defaultName, filter);
}

std::uint64_t FreeSpaceAt(const QString& path) {
  const QStorageInfo storage(QFileInfo(path).absolutePath());
  if (!storage.isValid()) {
    LogInfo("get disk free info failed.");
    return 0;
  }
  return static_cast<std::uint64_t>(std::max<qint64>(0, storage.bytesAvailable()));
}

RecoverOneOutcome RecoverOneFoundFile(QWidget* owner, const RecoverOneServices& services,
                                      IStorageDevice* source, CFileNode* node) {
  Prompter& prompter = services.prompter != nullptr ? *services.prompter : DefaultPrompter();
  IFileProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
  if (properties == nullptr) {
    prompter.Inform(owner, QObject::tr("Please select a file to recover!"), Caption(),
                    PromptIcon::Information);
    return RecoverOneOutcome::NothingSelected;
  }
  const QString name = QString::fromUtf8(properties->GetName());
  const QString extension = QString::fromStdString(ExtensionOf(properties->GetName()));
  static QMimeDatabase mimes;
  const QString typeName = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
  QString filter = QObject::tr("All Files (*)");
  if (!extension.isEmpty()) filter = QStringLiteral("%1 (*%2);;").arg(typeName, extension) + filter;
  const auto choose = services.chooseSaveFile ? services.chooseSaveFile : ChooseSaveFileWithDialog;
  const QString target = choose(owner, name, filter);
  if (target.isEmpty()) return RecoverOneOutcome::Cancelled;
  if (services.isOnSourceVolume && services.isOnSourceVolume(target)) {
    prompter.Inform(owner,
                    QObject::tr("The recovered file cannot be saved to the drive it is recovered from. "
                                "Please select another drive."),
                    Caption(), PromptIcon::Warning);
    return RecoverOneOutcome::Refused;
  }
  if (services.isOnSource && services.isOnSource(target) &&
      !prompter.AskYesNo(
          owner,
          QObject::tr("CAUTION! We do NOT recommend you to save the recovered files to the same drive "
                      "because this can reduce the chance of successful recovery. \n\nAre you sure to "
                      "recover files to the same drive?"),
          Caption(), false))
    return RecoverOneOutcome::Refused;
  if ((properties->GetAttributes() & kAttrEncrypted) != 0 &&
      IsNtfsVolume(QFileInfo(target).absolutePath().toUtf8().constData()) == 0) {
    prompter.Inform(
        owner,
        QObject::tr("Encrypted file must be recovered on the NTFS partition, please select another drive."),
        Caption(), PromptIcon::Warning);
    return RecoverOneOutcome::Refused;
  }
  const auto free = services.freeSpace ? services.freeSpace : FreeSpaceAt;
  if (properties->GetSize() > free(target)) {
    prompter.Inform(owner, QObject::tr("The free space is not enough, please select another drive."),
                    Caption(), PromptIcon::Warning);
    return RecoverOneOutcome::Refused;
  }
  const QString current = QDir::currentPath();
  CRBClickRecoverFileDlg dialog(source, node, target, owner);
  dialog.SetPrompter(prompter);
  const int result = Run(services.runDialog, dialog);
  QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
  if (result != CCopyProgressDlg::kCopied) {
    // A copy that failed or was stopped leaves nothing behind.
    QFile::remove(target);
    return RecoverOneOutcome::NotCopied;
  }
  QDir::setCurrent(current);
  return RecoverOneOutcome::Copied;
}

} // namespace qm
