// What "Find file by name" searches on the file-select page: a file list's
// rows in the view it shows and, for the main list, the folders of its
// tree in the order the tree shows them.
#pragma once

#include "dialogs/find_file_dlg.h"

namespace qm {

class CFileListCtrl;
class CFileTreeCtrl;

class FileListFindView : public IFindFileView {
public:
  // Without a tree only the list's rows are searched.
  FileListFindView(CFileListCtrl& list, CFileTreeCtrl* tree) : list_(list), tree_(tree) {}

  int RowCount() const override;
  CFileNode* RowNode(int row) const override;
  int SelectedRow() const override;
  void SelectRow(int row) override;
  std::vector<CFileNode*> FoldersAfterSelected() const override;
  void ShowFolder(CFileNode* folder) override;

private:
  CFileListCtrl& list_;
  CFileTreeCtrl* tree_;
};

} // namespace qm
