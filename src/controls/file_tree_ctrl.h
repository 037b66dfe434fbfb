// The folders of the found-file tree with three-valued check boxes, in the
// left pane of the file selection: a lazy model over the engine's nodes
// (a folder's sub-folders are looked at when it is first shown), each
// folder labelled "name (n)" with the number of its direct children. A
// check toggle can touch millions of nodes, so it runs on a worker behind a
// wait notice while the window is disabled; the views are refreshed after
// the worker has ended.
#pragma once

#include <QtCore/QAbstractItemModel>
#include <QtWidgets/QWidget>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "controls/tri_state_tree_view.h"

class CFileNode;
class CFileSystemNode;
class IFileProperties;

namespace qm {

class CFileListCtrl;

// The folder image of a folder: 4 for state bit 8, 3 for state bit 0x10, 2
// for a deleted folder, else 0 for a volume's root and 1 for any other.
int FolderImageIndex(const IFileProperties* properties, bool fileSystemNode);

// "name (n)": the folder's name and the number of its direct children.
QString FolderLabel(const CFileNode* folder);
// A folder's name as shown: the program's own folders in the language in
// use, any other as found on the disk.
QString FolderDisplayName(const CFileNode* folder);

// Whether the tree shows the sub-folders of folder (a folder below root)
// sorted by name. A top-level folder's are, and the sorting goes down the
// tree until a folder whose state word has bit 0x10: that folder's own
// sub-folders are sorted, those deeper keep the order they were added in
// (the carved files' numbered folders "1-300", "301-600", ... read best in
// that order). The top-level folders themselves keep the order they were
// added in.
bool SortsSubFolders(const CFileNode* folder, const CFileNode* root);

class CFileTreeModel : public QAbstractItemModel {
  Q_OBJECT
public:
  explicit CFileTreeModel(QObject* parent = nullptr);

  // The root's folders become the top-level items.
  void SetRoot(CFileNode* root);
  CFileNode* Root() const { return root_; }
  CFileNode* NodeOf(const QModelIndex& index) const;
  // The item of a folder below the root; invalid when it is not shown.
  QModelIndex IndexOf(const CFileNode* folder) const;
  // Tells the views that a folder and its ancestors changed.
  void FolderChanged(const CFileNode* folder);
  void SetToggle(std::function<void(const QModelIndex&)> toggle) { toggle_ = std::move(toggle); }

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& index) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
  // A folder's sub-folders in the order shown, made once: by name where
  // SortsSubFolders says so, else in the order they were added.
  const std::vector<CFileNode*>& FoldersOf(const CFileNode* folder) const;

  CFileNode* root_ = nullptr;
  mutable std::unordered_map<const CFileNode*, std::vector<CFileNode*>> folders_;
  mutable std::unordered_map<const CFileNode*, int> rows_;
  std::function<void(const QModelIndex&)> toggle_;
};

class CFileTreeCtrl : public QWidget {
  Q_OBJECT
public:
  explicit CFileTreeCtrl(QWidget* parent = nullptr);
  ~CFileTreeCtrl() override;

  void SetFileListCtrl(CFileListCtrl* list) { list_ = list; }
  CFileListCtrl* FileList() const { return list_; }
  CTriStateTreeView* GetTreeCtrl() const { return tree_; }
  CFileTreeModel* Model() const { return model_; }

  // Shows the folders below root; selects the first top-level folder and
  // expands it when it is the only one.
  void SetRootNode(CFileNode* root);
  CFileNode* RootNode() const { return model_->Root(); }
  // The node of the selected folder; null when none.
  CFileNode* GetSelectedNode() const;
  // Selects a folder's item (showing its files); false when it has none.
  bool SelectNode(const CFileNode* folder);
  // The check images of the folder, its descendants and ancestors follow
  // the nodes' check states.
  void RefreshItem(const CFileNode* folder);
  void RefreshCheckStates();
  // Flips the folder's check state with its subtree (on a worker, behind
  // the wait notice); the ancestors follow.
  void ToggleCheck(const QModelIndex& index);
  // Makes the wait notice a long toggle shows (owned by the caller of the
  // factory); without one no notice is shown.
  void SetWaitNoticeFactory(std::function<std::unique_ptr<QWidget>(QWidget* owner)> factory) {
    waitNotice_ = std::move(factory);
  }

Q_SIGNALS:
  // Check states changed.
  void ChecksChanged();

private:
  void OnSelectionChanged();
  CFileSystemNode* RootFileSystem() const;

  CTriStateTreeView* tree_;
  CFileTreeModel* model_;
  CFileListCtrl* list_ = nullptr;
  std::function<std::unique_ptr<QWidget>(QWidget* owner)> waitNotice_;
};

} // namespace qm
