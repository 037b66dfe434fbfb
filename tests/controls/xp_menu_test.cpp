#include <QtGui/QImage>
#include <gtest/gtest.h>

#include "controls/xp_menu.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

// The item under the pointer is filled light blue inside a black frame; the
// others stay white.
TEST(XPMenu, SelectedItemIsFramedAndFilled) {
  CXPMenu menu;
  menu.addAction(QStringLiteral("English"))->setCheckable(true);
  QAction* german = menu.addAction(QStringLiteral("Deutsch"));
  german->setCheckable(true);
  german->setChecked(true);
  menu.addSeparator();
  menu.addAction(QStringLiteral("Disabled item"))->setEnabled(false);
  menu.popup(QPoint(0, 0));
  menu.setActiveAction(german);
  const QString path = test::SaveToGallery(menu, QStringLiteral("controls_xp_menu"));
  ASSERT_FALSE(path.isEmpty());

  const QImage image = menu.grab().toImage();
  const QRect selected = menu.actionGeometry(german);
  const QRect plain =
      menu.actions().front()->isVisible() ? menu.actionGeometry(menu.actions().front()) : QRect();
  const QPoint inside = selected.center() + QPoint(selected.width() / 2 - 4, 0);
  EXPECT_EQ(image.pixelColor(inside), CXPMenu::kSelected);
  EXPECT_EQ(image.pixelColor(selected.left(), selected.center().y()), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(plain.center() + QPoint(plain.width() / 2 - 4, 0)), CXPMenu::kBackground);
  menu.close();
}

} // namespace
} // namespace qm
