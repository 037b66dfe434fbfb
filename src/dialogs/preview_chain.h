// What the file-select page does for Preview and for "Recovery" of one
// file, apart from the page: the checks, the temporary copy under its
// loading dialog, the previewers in their order (RTF, office documents,
// the preview dialog), and the single-file copy to a name the user picks.
#pragma once

#include <QtCore/QString>

#include <functional>

class CFileNode;
class IStorageDevice;
class QWidget;

namespace qm {

class ExternalViewer;
class Prompter;

enum class PreviewOutcome {
  Refused,   // a message said why (or nothing was selected)
  NotCopied, // the copy failed or was aborted
  Rtf,
  Office,
  Dialog,
};

struct PreviewServices {
  Prompter* prompter = nullptr;
  ExternalViewer* viewer = nullptr;
  // Runs a modal dialog; tests replace it to look at the dialog first.
  std::function<int(QWidget& dialog)> runDialog;
  // OK in the preview dialog: recover the file.
  std::function<void()> recover;
};

// Whether the node may be previewed; a message says why not.
bool CanPreview(QWidget* owner, Prompter& prompter, CFileNode* node);

// The preview of one found file: CanPreview, the copy, the previewers.
// The copy is deleted afterwards (the office viewer's own copy lives until
// the program ends).
PreviewOutcome PreviewFoundFile(QWidget* owner, const PreviewServices& services, IStorageDevice* source,
                                CFileNode* node);

struct RecoverOneServices {
  Prompter* prompter = nullptr;
  // Asks for the target file; empty when cancelled.
  std::function<QString(QWidget* owner, const QString& defaultName, const QString& filter)> chooseSaveFile;
  // Whether the path lies on the device being recovered (the user is
  // asked), and whether on the very volume (refused: the new file could
  // take the clusters that still hold the data being read).
  std::function<bool(const QString& path)> isOnSource;
  std::function<bool(const QString& path)> isOnSourceVolume;
  // Free bytes where the path would be written.
  std::function<std::uint64_t(const QString& path)> freeSpace;
  std::function<int(QWidget& dialog)> runDialog;
};

enum class RecoverOneOutcome { NothingSelected, Cancelled, Refused, Copied, NotCopied };

// Copies one found file to a file the user names, under its progress
// dialog. A copy that failed or was aborted is deleted.
RecoverOneOutcome RecoverOneFoundFile(QWidget* owner, const RecoverOneServices& services,
                                      IStorageDevice* source, CFileNode* node);

// The production helpers.
QString ChooseSaveFileWithDialog(QWidget* owner, const QString& defaultName, const QString& filter);
std::uint64_t FreeSpaceAt(const QString& path);

} // namespace qm
