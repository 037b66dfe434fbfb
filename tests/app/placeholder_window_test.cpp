#include "app/placeholder_window.h"
#include "support_ui/gallery.h"

#include <QtCore/QFileInfo>
#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(PlaceholderWindow, ShowsTheTitleAtTheFrameStartSize)
{
    PlaceholderWindow window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quenmark"));
    EXPECT_EQ(window.size(), QSize(1000, 700));
    const QString picture = test::SaveToGallery(window, QStringLiteral("app_placeholder_window"));
    ASSERT_FALSE(picture.isEmpty());
    EXPECT_GT(QFileInfo(picture).size(), 0);
}

}  // namespace
}  // namespace qm
