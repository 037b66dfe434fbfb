#include "wizard/pages/file_list_find_view.h"

#include <QtWidgets/QTreeView>

#include <algorithm>

#include "controls/file_list_ctrl.h"
#include "controls/file_tree_ctrl.h"

namespace qm {

int FileListFindView::RowCount() const { return list_.RowCount(); }

CFileNode* FileListFindView::RowNode(int row) const { return list_.GetItemNode(row); }

int FileListFindView::SelectedRow() const { return list_.GetSelectedIndex(); }

void FileListFindView::SelectRow(int row) { list_.SelectRow(row); }

std::vector<CFileNode*> FileListFindView::FoldersAfterSelected() const {
  std::vector<CFileNode*> folders;
  if (tree_ == nullptr) return folders;
  // Every folder in the tree's own order (depth first, sub-folders by
  // name), walked with a stack of its own: a deep tree needs no deep calls.
  const CFileTreeModel& model = *tree_->Model();
  std::vector<QModelIndex> pending;
  for (int row = model.rowCount() - 1; row >= 0; --row)
    pending.push_back(model.index(row, 0));
  while (!pending.empty()) {
    const QModelIndex at = pending.back();
    pending.pop_back();
    if (CFileNode* node = model.NodeOf(at)) folders.push_back(node);
    for (int row = model.rowCount(at) - 1; row >= 0; --row)
      pending.push_back(model.index(row, 0, at));
  }
  const auto selected = std::find(folders.begin(), folders.end(), tree_->GetSelectedNode());
  if (selected == folders.end()) return folders;
  std::vector<CFileNode*> after(selected + 1, folders.end());
  after.insert(after.end(), folders.begin(), selected);
  return after;
}

void FileListFindView::ShowFolder(CFileNode* folder) {
  // Selecting the folder in the tree lists its files.
  if (tree_ != nullptr) tree_->SelectNode(folder);
}

} // namespace qm
