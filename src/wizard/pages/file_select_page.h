// Page 9, where the user looks at what a scan found and ticks the files to
// recover: a "Files" tab with the folder tree and the file list, a second
// tab for search results, the Search File and File Preview buttons above
// them and a status line with the size and number of all files and of the
// ticked ones. The page owns the tree it shows.
#pragma once

#include <QtGui/QFont>

#include <cstdint>
#include <functional>

#include "wizard/pages/wizard_page.h"

class CFileNode;
class IStorageDevice;
class QMenu;
class QToolButton;

namespace qm {

class ExternalViewer;

class CTabCtrlPlus;
class CFileSelectCtrlContainer;
class CFileListCtrl;
class CFileTreeCtrl;
class IFileSelectController;

// "Total %s in %d files" and the like: a string id's text with a size text
// and a count.
QString FormatFilesStatus(unsigned stringId, std::uint64_t bytes, std::uint32_t files);

// The search tab's caption: "Search files" and the name pattern in
// brackets, cut to its first 26 characters when the caption would be
// longer than 30.
QString SearchTabCaption(const QString& pattern);

// What the page's commands ask outside themselves; tests put recorders in
// place. Unset members use the desktop's own.
struct FileSelectPageSeams {
  // Shows Word and Excel documents.
  ExternalViewer* viewer = nullptr;
  // Asks where one recovered file goes; empty when cancelled.
  std::function<QString(QWidget* owner, const QString& defaultName, const QString& filter)> chooseSaveFile;
  // Free bytes where a file would be written.
  std::function<std::uint64_t(const QString& path)> freeSpace;
  // Runs each modal dialog the commands open.
  std::function<int(QWidget& dialog)> runDialog;
};

class CFileSelectPage : public CWizardPage {
  Q_OBJECT
public:
  enum Command : int {
    kSearchFile = 1171,
    kSearchFiles = 1172,
    kFilePreview = 1173,
    kSaveScanResult = 1195,
    kChecksChanged = 2024,
    kTabChanged = 2025,
    kProperties = 5001,
    kPreviewMenu = 5002,
    kRecoverOne = 5003,
    kLocate = 5004,
    kFolderProperties = 32776,
  };

  explicit CFileSelectPage(QWidget* parent = nullptr);
  ~CFileSelectPage() override;

  IWizardPageController* GetController() override;
  int GetHelpId(int) override { return 23; }
  void SetController(IFileSelectController* controller) { controller_ = controller; }
  int OnCommand(int id) override;

  // Shows the tree (the page owns it from now on); null only releases.
  void SetRootNode(CFileNode* root);
  CFileNode* GetRootNode() const { return root_; }
  // Frees the shown trees and empties both lists.
  void ReleaseTrees();
  // Reads the counts of the shown tree into the status line.
  void UpdateStatusTexts();

  // The commands.
  void FindFiles();
  void SearchFiles();
  void PreviewFile();
  void RecoverOneFile();
  // Shows the search list's selected file in the main list; false when
  // there is none or it cannot be shown.
  bool LocateInMainList();
  // The list of the tab shown and its selected file (null when none).
  CFileListCtrl& ShownList() const;
  CFileNode* GetSelectedFile() const;
  void SetSeams(FileSelectPageSeams seams) { seams_ = std::move(seams); }
  // The entries of the Search File button's menu and of the tree's
  // context menu.
  QMenu* SearchMenu() const { return searchMenu_; }
  void FillTreeMenu(QMenu& menu);

  const QString& TotalText() const { return totalText_; }
  const QString& SelectedText() const { return selectedText_; }
  CTabCtrlPlus& Tabs() const { return *tabs_; }
  CFileSelectCtrlContainer& Container() const { return *container_; }
  CFileTreeCtrl& Tree() const;
  CFileListCtrl& MainList() const;
  CFileListCtrl& SearchList() const { return *searchList_; }
  QToolButton* SearchButton() const { return searchButton_; }
  QToolButton* PreviewButton() const { return previewButton_; }
  // Shown for complete and partition searches only: the deleted-file road
  // keeps no state files to export.
  QToolButton* ExportButton() const { return exportButton_; }

protected:
  void OnSizeContent(int width, int height) override;
  void OnDrawContent(QPainter& painter) override;

private:
  IStorageDevice* Source() const;
  int RunDialog(QWidget& dialog);
  void ShowProperties(CFileNode* node);
  void ShowTreeMenu(const QPoint& at);

  CTabCtrlPlus* tabs_;
  CFileSelectCtrlContainer* container_;
  CFileListCtrl* searchList_;
  QToolButton* searchButton_;
  QToolButton* previewButton_;
  QToolButton* exportButton_;
  QMenu* searchMenu_;
  FileSelectPageSeams seams_;
  IFileSelectController* controller_ = nullptr;
  CFileNode* root_ = nullptr;
  CFileNode* secondRoot_ = nullptr;
  QFont regularFont_;
  QString totalText_;
  QString selectedText_;
};

} // namespace qm
