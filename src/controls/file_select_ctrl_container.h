// The folder tree and the file list side by side in a splitter, each wired
// to the other: a folder picked in the tree shows its files in the list,
// and a check change in the list reaches the tree.
#pragma once

#include <QtWidgets/QWidget>

class CExSplitterWnd;

namespace qm {

class CFileTreeCtrl;
class CFileListCtrl;

class CFileSelectCtrlContainer : public QWidget {
  Q_OBJECT
public:
  // The tree's column: 200 pixels at first (wider when its labels need
  // it, up to 400), dragged between 100 and 400.
  static constexpr int kTreeWidth = 200;
  static constexpr int kTreeMinimum = 100;
  static constexpr int kTreeMaximum = 400;

  explicit CFileSelectCtrlContainer(QWidget* parent = nullptr);

  CFileTreeCtrl* GetTreePane() const { return tree_; }
  CFileListCtrl* GetListPane() const { return list_; }
  CExSplitterWnd* Splitter() const { return splitter_; }
  // Widens the tree's column to the labels it shows (a new tree).
  void FitTreePane();

private:
  CExSplitterWnd* splitter_;
  CFileTreeCtrl* tree_;
  CFileListCtrl* list_;
};

} // namespace qm
