// A tree view whose check boxes answer the way a tree of folders to recover
// should: a click on a box only flips it (the folder is neither selected
// nor expanded, so the file list stays where it is), and Space flips the
// selected folder once, when the key comes up, however long it is held.
// The flip itself is the model's: setData with Qt::CheckStateRole.
#pragma once

#include <QtWidgets/QTreeView>

namespace qm {

class CTriStateTreeView : public QTreeView {
  Q_OBJECT
public:
  explicit CTriStateTreeView(QWidget* parent = nullptr);

  // The check box of the item in viewport co-ordinates; empty when the
  // item has none.
  QRect CheckBoxRect(const QModelIndex& index) const;
  // The width the labels shown need, indentation, box and icon included.
  int LabelsWidth() const { return sizeHintForColumn(0); }

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

private:
  // The item whose check box is under the point; invalid when none.
  QModelIndex CheckBoxAt(QPoint point) const;
  void Toggle(const QModelIndex& index);
  // A left click on a box flips it, and nothing else happens; true then.
  bool ToggleBoxUnder(QMouseEvent* event);
};

} // namespace qm
