// The settings dialog's property sheet: owned for the dialog's life and
// never made a window; once initialised it carries the coloured tabs.
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <gtest/gtest.h>

#include "controls/en_tab_ctrl.h"
#include "dialogs/advance_setting_dlg.h"
#include "dialogs/advance_setting_prop_sheet.h"
#include "storage/app_settings.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

TEST(AdvanceSettingPropSheet, TheDialogOwnsOneThatNeverBecomesAWindow) {
  const std::uint32_t look = CEnTabCtrl::TabLook();
  AppSettings settings;
  CAdvanceSettingMasterDlg dialog(true, nullptr, settings);
  dialog.show();
  QApplication::processEvents();
  CAdvanceSettingPropSheet& sheet = dialog.PropSheet();
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_FALSE(sheet.testAttribute(Qt::WA_WState_Created));
  EXPECT_EQ(sheet.TabControl(), nullptr);
  EXPECT_EQ(CEnTabCtrl::TabLook(), look) << "the look is set only when the sheet is initialised";
  dialog.hide();
}

TEST(AdvanceSettingPropSheet, InitialisedItHasTheColouredTabs) {
  const std::uint32_t look = CEnTabCtrl::TabLook();
  CAdvanceSettingPropSheet sheet;
  sheet.resize(440, 220);
  sheet.OnInitDialog();
  CEnTabCtrl* tabs = sheet.TabControl();
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(CEnTabCtrl::TabLook(), kTabLookAll);
  EXPECT_TRUE(tabs->IsOwnerDrawn());
  EXPECT_EQ(tabs->BackColour(), CAdvanceSettingPropSheet::kTabBackColour);
  EXPECT_EQ(sheet.BoldFont().weight(), QFont::Bold);
  for (const char* name : {"FAT", "NTFS", "Common", "RAW"})
    tabs->addTab(new QLabel(QLatin1String(name)), QLatin1String(name));
  EXPECT_FALSE(test::SaveToGallery(sheet, QStringLiteral("advance_setting_prop_sheet")).isEmpty());
  sheet.hide();
  CEnTabCtrl::SetTabLook(true, look);
}

} // namespace
} // namespace qm
