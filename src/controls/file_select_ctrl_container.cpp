#include "controls/file_select_ctrl_container.h"

#include <QtWidgets/QStyle>
#include <QtWidgets/QTreeView>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>

#include "controls/ex_splitter_wnd.h"
#include "controls/file_list_ctrl.h"
#include "controls/file_tree_ctrl.h"

namespace qm {

CFileSelectCtrlContainer::CFileSelectCtrlContainer(QWidget* parent)
    : QWidget(parent), splitter_(new CExSplitterWnd(Qt::Horizontal, this)), tree_(new CFileTreeCtrl),
      list_(new CFileListCtrl) {
  splitter_->addWidget(tree_);
  splitter_->addWidget(list_);
  list_->SetFileTreeCtrl(tree_);
  tree_->SetFileListCtrl(list_);
  splitter_->SetColumnLimits(0, kTreeWidth, kTreeMinimum, kTreeMaximum);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);
}

void CFileSelectCtrlContainer::FitTreePane() {
  CTriStateTreeView* tree = tree_->GetTreeCtrl();
  // The widest label shown, its indentation, box and icon included, with
  // room for the tree's vertical scroll bar.
  const int content = tree->LabelsWidth() + 2 * tree->frameWidth() +
                      tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree) + 8;
  splitter_->SetColumnLimits(0, std::clamp(content, kTreeWidth, kTreeMaximum), kTreeMinimum, kTreeMaximum);
}

} // namespace qm
