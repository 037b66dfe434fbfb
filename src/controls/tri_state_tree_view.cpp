#include "controls/tri_state_tree_view.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionViewItem>

namespace qm {

CTriStateTreeView::CTriStateTreeView(QWidget* parent) : QTreeView(parent) {}

QRect CTriStateTreeView::CheckBoxRect(const QModelIndex& index) const {
  if (!index.isValid() || !(index.flags() & Qt::ItemIsUserCheckable)) return {};
  QStyleOptionViewItem option;
  const_cast<CTriStateTreeView*>(this)->initViewItemOption(&option);
  option.rect = visualRect(index);
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  // The same place the item delegate draws the box at.
  return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

QModelIndex CTriStateTreeView::CheckBoxAt(QPoint point) const {
  const QModelIndex index = indexAt(point);
  return CheckBoxRect(index).contains(point) ? index : QModelIndex();
}

void CTriStateTreeView::Toggle(const QModelIndex& index) {
  if (index.isValid() && model() != nullptr) model()->setData(index, QVariant(), Qt::CheckStateRole);
}

bool CTriStateTreeView::ToggleBoxUnder(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return false;
  const QModelIndex box = CheckBoxAt(event->position().toPoint());
  if (!box.isValid()) return false;
  Toggle(box);
  event->accept();
  return true;
}

void CTriStateTreeView::mousePressEvent(QMouseEvent* event) {
  if (!ToggleBoxUnder(event)) QTreeView::mousePressEvent(event);
}

void CTriStateTreeView::mouseReleaseEvent(QMouseEvent* event) {
  // The press on a box has done its work; the delegate must not flip it back.
  if (event->button() == Qt::LeftButton && CheckBoxAt(event->position().toPoint()).isValid()) {
    event->accept();
    return;
  }
  QTreeView::mouseReleaseEvent(event);
}

void CTriStateTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!ToggleBoxUnder(event)) QTreeView::mouseDoubleClickEvent(event);
}

void CTriStateTreeView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void CTriStateTreeView::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    const QModelIndex current = currentIndex();
    if (!event->isAutoRepeat() && current.isValid() && selectionModel()->isSelected(current)) Toggle(current);
    event->accept();
    return;
  }
  QTreeView::keyReleaseEvent(event);
}

} // namespace qm
