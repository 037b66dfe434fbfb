// Page 9, where the user looks at what a scan found and ticks the files to
// recover: a "Files" tab with the folder tree and the file list, a second
// tab for search results, the Search File and File Preview buttons above
// them and a status line with the size and number of all files and of the
// ticked ones. The page owns the tree it shows.
#pragma once

#include <QtGui/QFont>

#include "wizard/wizard_page.h"

class CFileNode;
class QToolButton;

namespace qm {

class CTabCtrlPlus;
class CFileSelectCtrlContainer;
class CFileListCtrl;
class CFileTreeCtrl;
class CFileSelectController;

// "Total %s in %d files" and the like: a string id's text with a size text
// and a count.
QString FormatFilesStatus(unsigned stringId, std::uint64_t bytes, std::uint32_t files);

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
  };

  explicit CFileSelectPage(QWidget* parent = nullptr);
  ~CFileSelectPage() override;

  IWizardPageController* GetController() override;
  int GetHelpId(int) override { return 23; }
  void SetController(CFileSelectController* controller) { controller_ = controller; }
  int OnCommand(int id) override;

  // Shows the tree (the page owns it from now on); null only releases.
  void SetRootNode(CFileNode* root);
  CFileNode* GetRootNode() const { return root_; }
  // Frees the shown trees and empties both lists.
  void ReleaseTrees();
  // Reads the counts of the shown tree into the status line.
  void UpdateStatusTexts();

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
  CTabCtrlPlus* tabs_;
  CFileSelectCtrlContainer* container_;
  CFileListCtrl* searchList_;
  QToolButton* searchButton_;
  QToolButton* previewButton_;
  QToolButton* exportButton_;
  CFileSelectController* controller_ = nullptr;
  CFileNode* root_ = nullptr;
  CFileNode* secondRoot_ = nullptr;
  QFont regularFont_;
  QString totalText_;
  QString selectedText_;
};

} // namespace qm
