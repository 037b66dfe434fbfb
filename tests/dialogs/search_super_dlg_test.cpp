#include "dialogs/search_super_dlg.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(DialogBase, ElapsedTimeText)
{
    struct Case {
        std::uint32_t ms;
        const char* text;
    };
    for (const Case& c : {Case{0, "00:00:00"}, Case{999, "00:00:00"}, Case{61000, "00:01:01"},
                          Case{3599999, "00:59:59"}, Case{3600000, "01:00:00"}, Case{363599000, "100:59:59"}}) {
        EXPECT_EQ(FormatElapsed(c.ms), QString::fromLatin1(c.text)) << c.ms;
    }
}

TEST(DialogBase, RefreshThrottleCountsAWrapAsTimeGoneBy)
{
    EXPECT_FALSE(RefreshDue(1500, 1000, 500));
    EXPECT_TRUE(RefreshDue(1501, 1000, 500));
    EXPECT_TRUE(RefreshDue(100, 0xFFFFFE00u, 500));  // 0x300 ms across the wrap
    EXPECT_FALSE(RefreshDue(10, 0xFFFFFF00u, 500));
    EXPECT_EQ(kStopCode, -1);
}

TEST(DialogBase, FlagAndIcons)
{
    CSearchSuperDlg dialog;
    EXPECT_EQ(dialog.Flag(), 1);
    dialog.SetFlag(0);
    EXPECT_EQ(dialog.Flag(), 0);
    EXPECT_FALSE(GetShellFileIcon(QStringLiteral("/nonexistent/report.pdf")).isNull());
}

}  // namespace
}  // namespace qm
