// The files of one folder of the found-file tree (or of a search result)
// in two views of the same rows, the report list and the thumbnails, with
// a row of buttons above them that switch the view, tick or untick every
// listed file and explain the state icons. The page it sits on hears of
// check changes and of the commands of its rows through signals.
#pragma once

#include <QtWidgets/QWidget>

#include <vector>

class CFileNode;
class CFileSystemNode;
class IStorageDevice;
class QAbstractItemView;
class QAction;
class QMenu;
class QToolButton;

namespace qm {

class CListCtrlPlus;
class CBreviaryImageListCtrl;
class CFileTreeCtrl;

class CFileListCtrl : public QWidget {
  Q_OBJECT
public:
  // Command ids the list sends to its page.
  enum Command : int {
    kCommandPreview = 1173,
    kCommandProperties = 5001,
    kCommandPreviewMenu = 5002,
    kCommandRecover = 5003,
    kCommandLocate = 5004,
  };
  enum ButtonId : int {
    kButtonView = 1000,
    kButtonSelect = 1001,
    kButtonDeselect = 1002,
    kButtonState = 1003
  };
  // The View button's menu.
  enum ViewCommand : int { kCommandList = 1010, kCommandThumbnail = 1011 };
  enum ViewMode : int { kViewReport = 1, kViewThumbnail = 2 };

  explicit CFileListCtrl(QWidget* parent = nullptr);
  ~CFileListCtrl() override;

  void SetFileTreeCtrl(CFileTreeCtrl* tree) { tree_ = tree; }
  CFileTreeCtrl* GetTreeCtrl() const { return tree_; }
  // Where the listed files' data is read from (previews, single recovery).
  CFileListCtrl& SetSource(IStorageDevice* source);
  IStorageDevice* Source() const { return source_; }

  // Shows the files (children without the folder bit) of folder; root is
  // the tree whose check states the list toggles.
  void ShowFolder(CFileNode* root, CFileNode* folder);
  void FillFromFolder(CFileNode* folder);
  // Lists the given nodes (a search result).
  void SetFileNodes(CFileNode* root, const std::vector<CFileNode*>& nodes);
  // Empties the list.
  void ResetItems();

  // The view shown: the report list or the thumbnails.
  QAbstractItemView* GetActiveList() const;
  CListCtrlPlus& GetReportList() const { return *list_; }
  CBreviaryImageListCtrl& GetThumbnailList() const { return *thumbs_; }
  int GetViewMode() const { return mode_; }
  // List (1010) or Thumbnail (1011), as the View menu does.
  void OnViewCommand(int id);
  QMenu* ViewMenu() const { return viewMenu_; }
  // The selected row of the view shown; -1 when none.
  int GetSelectedIndex() const;
  // Selects and shows a row in the view shown.
  void SelectRow(int row);
  CFileNode* GetItemNode(int row) const;
  // The folder shown (null for a search result or none).
  CFileNode* GetFolderNode() const { return folder_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Selects the node in the list, showing its folder first when the list
  // has a tree; false when it cannot be found.
  bool LocateNode(CFileNode* node);

  // A row's check box: the node flips with its subtree and ancestors, the
  // tree's folder item follows, the page hears of it.
  void ToggleNodeCheck(CFileNode* node);
  // Select (true) or Deselect (false) every listed file.
  void SetAllChecks(bool checked);
  // Redraws the rows (after their check states changed elsewhere).
  void RedrawRows();
  // How often the rows were redrawn for a change made elsewhere.
  int RedrawCount() const { return redraws_; }

  QToolButton* Button(int id) const;
  // The entries of a row's context menu: Preview, Recovery, Locate in the
  // main list (a list without tree only) and Properties.
  void FillContextMenu(QMenu& menu);

Q_SIGNALS:
  // Check states changed.
  void ChecksChanged();
  // A command for the page (preview, properties, recover, locate).
  void CommandSent(int id);
  // The State button: the page explains the state icons.
  void StatesWanted();

private:
  void ShowContextMenu(const QPoint& globalPos);
  CFileSystemNode* RootFileSystem() const;
  // Selects the node's row in the view shown; false when it is not listed.
  bool SelectNodeInView(const CFileNode* node);
  void RedrawActive();

  CListCtrlPlus* list_;
  CBreviaryImageListCtrl* thumbs_;
  int mode_ = kViewReport;
  QMenu* viewMenu_;
  QAction* listAction_;
  QAction* thumbnailAction_;
  QToolButton* view_;
  QToolButton* select_;
  QToolButton* deselect_;
  QToolButton* state_;
  CFileTreeCtrl* tree_ = nullptr;
  CFileNode* root_ = nullptr;
  CFileNode* folder_ = nullptr;
  IStorageDevice* source_ = nullptr;
  std::vector<CFileNode*> rows_;
  int redraws_ = 0;
};

} // namespace qm
