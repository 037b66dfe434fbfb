// The flat pop-up menu of every window: white ground, the item under the
// pointer framed in black with a light blue fill, checked items marked in the
// check column.
#pragma once

#include <QtWidgets/QMenu>

namespace qm {

class CXPMenu : public QMenu {
  Q_OBJECT

public:
  static const QColor kBackground; // white
  static const QColor kSelected;   // light blue

  explicit CXPMenu(QWidget* parent = nullptr);
};

} // namespace qm
