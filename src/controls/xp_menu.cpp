#include "controls/xp_menu.h"

namespace qm {

const QColor CXPMenu::kBackground(0xFF, 0xFF, 0xFF);
const QColor CXPMenu::kSelected(0xB0, 0xE0, 0xFE);

CXPMenu::CXPMenu(QWidget* parent) : QMenu(parent) {
  // A style sheet rather than a proxy style: it follows the menu into every
  // style the program may run under and keeps Qt's own measuring of items.
  setStyleSheet(QStringLiteral("QMenu { background: %1; border: 1px solid #808080; padding: 2px; }"
                               "QMenu::item { padding: 4px 24px 4px 24px; border: 1px solid transparent;"
                               " color: black; }"
                               "QMenu::item:selected { background: %2; border: 1px solid black; }"
                               "QMenu::item:disabled { color: #8C8C8C; }"
                               "QMenu::separator { height: 1px; background: #C8C8C8; margin: 3px 6px; }")
                    .arg(kBackground.name(), kSelected.name()));
}

} // namespace qm
