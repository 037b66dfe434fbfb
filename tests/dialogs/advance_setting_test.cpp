#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>
#include <gtest/gtest.h>

#include <limits>

#include "app/help_viewer.h"
#include "controls/raw_file_type_tree.h"
#include "dialogs/advance_setting_dlg.h"
#include "dialogs/advance_setting_rules.h"
#include "storage/app_settings.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

// Every field the dialog may write, for comparing two records.
auto Fields(const AppSettings& s) {
  return std::make_tuple(s.bUseBootRecords, s.bUsePartitionTables, s.bExtensiveVolumesSearch,
                         s.bIgnoreBadSectors, s.bCheckFatDate, s.bCheckFatTime, s.bFatReserved,
                         s.bUseFirstFat, s.bUseSecondFat, s.bUseNtfsFilesForSize, s.bUseMft, s.bMftFilesOnly,
                         s.bRecoverRaw, s.bRawOnly, s.u64MaxRawFileSize, s.vecRawTypes);
}

const char* const kOptions[] = {"fatCheckDate",     "fatCheckTime",        "fatUseFirstCopy",
                                "fatUseSecondCopy", "ntfsUseFilesForSize", "ntfsUseMft",
                                "ntfsMftFilesOnly", "useBootRecords",      "ignoreBadSectors"};

QTreeWidgetItem* FindType(CRawFileTypeTreeCtrl& tree, const char* label) {
  const auto found = tree.findItems(QString::fromLatin1(label), Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.front();
}

TEST(AdvancedSettings, CancelKeepsAndOkWrites) {
  AppSettings settings;
  settings.vecRawTypes = {33, 47};
  const auto before = Fields(settings);
  {
    CAdvanceSettingMasterDlg dialog(true, nullptr, settings);
    for (const char* name : kOptions) {
      dialog.Option(name)->click();
    }
    dialog.SizeEdit().setText(QStringLiteral("1234"));
    dialog.OnDefault();
    dialog.reject();
  }
  EXPECT_EQ(Fields(settings), before); // Default then Cancel changes nothing, the type list included

  CAdvanceSettingMasterDlg dialog(true, nullptr, settings);
  for (const char* name : kOptions) {
    dialog.Option(name)->click();
  }
  dialog.SizeEdit().setText(QStringLiteral("1234"));
  dialog.OnOk();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings.bCheckFatDate, 0);
  EXPECT_EQ(settings.bUseSecondFat, 0);
  EXPECT_EQ(settings.bUseMft, 0);
  EXPECT_EQ(settings.bMftFilesOnly, 1);
  EXPECT_EQ(settings.bUseBootRecords, 0);
  EXPECT_EQ(settings.bIgnoreBadSectors, 0);
  EXPECT_EQ(settings.u64MaxRawFileSize, 1234u);
  // Hidden options keep their values; the chosen types come from the tree.
  EXPECT_EQ(settings.bFatReserved, 1);
  EXPECT_EQ(settings.bUsePartitionTables, 0);
  EXPECT_EQ(settings.vecRawTypes, (std::vector<int>{33, 47}));
}

TEST(AdvancedSettings, DefaultRestoresEveryPage) {
  AppSettings settings;
  settings.bCheckFatTime = 0;
  settings.bUseNtfsFilesForSize = 0;
  settings.bIgnoreBadSectors = 0;
  settings.bRecoverRaw = 0;
  settings.u64MaxRawFileSize = 7;
  settings.vecRawTypes = {41};
  CAdvanceSettingMasterDlg dialog(false, nullptr, settings);
  EXPECT_FALSE(dialog.TypeTree().isEnabled()); // RAW recovery is off
  dialog.OnDefault();
  const AdvanceSettingValues values = dialog.PageValues();
  EXPECT_EQ(values.fatCheckTime, 1);
  EXPECT_EQ(values.ntfsUseFilesForSize, 1);
  EXPECT_EQ(values.ntfsMftFilesOnly, 1); // the button ticks it though a fresh start has it off
  EXPECT_EQ(values.ignoreBadSectors, 1);
  EXPECT_EQ(values.rawRecover, 1);
  EXPECT_EQ(dialog.SizeEdit().text(), QStringLiteral("50000000"));
  EXPECT_TRUE(dialog.SizeEdit().isEnabled());
  EXPECT_TRUE(dialog.TypeTree().isEnabled());
  dialog.OnOk();
  EXPECT_EQ(settings.bMftFilesOnly, 1);
  // Every offered type, then the compound-file type, which has no item of its own.
  ASSERT_EQ(settings.vecRawTypes.size(), 69u);
  EXPECT_EQ(settings.vecRawTypes.back(), 44);
}

TEST(AdvancedSettings, RawOnlyFollowsItsPermissionAndRecoverRaw) {
  AppSettings settings;
  settings.bRawOnly = 1;
  {
    CAdvanceSettingMasterDlg dialog(false, nullptr, settings);
    EXPECT_FALSE(dialog.Option("rawOnly")->isEnabled());
    dialog.OnOk();
    EXPECT_EQ(settings.bRawOnly, 0);
  }
  settings.bRawOnly = 1;
  CAdvanceSettingMasterDlg dialog(true, nullptr, settings);
  EXPECT_TRUE(dialog.Option("rawOnly")->isChecked());
  dialog.ShowPage(CAdvanceSettingMasterDlg::kRawPage);
  dialog.Option("rawRecover")->click(); // off: RAW-only, size and tree follow
  EXPECT_FALSE(dialog.Option("rawOnly")->isEnabled());
  EXPECT_FALSE(dialog.Option("rawOnly")->isChecked());
  EXPECT_FALSE(dialog.SizeEdit().isEnabled());
  EXPECT_FALSE(dialog.TypeTree().isEnabled());
  dialog.Option("rawRecover")->click();
  EXPECT_TRUE(dialog.Option("rawOnly")->isEnabled());
  EXPECT_TRUE(dialog.TypeTree().isEnabled());
  dialog.AllowRawTypeChoice(false);
  EXPECT_FALSE(dialog.TypeTree().isEnabled());
}

TEST(AdvancedSettings, ADocxAloneWithRawOnlyBringsItsZip) {
  AppSettings settings;
  settings.vecRawTypes = {69};
  CAdvanceSettingMasterDlg dialog(true, nullptr, settings);
  QTreeWidgetItem* docx = FindType(dialog.TypeTree(), "Microsoft Word2007(.docx)");
  ASSERT_NE(docx, nullptr);
  EXPECT_EQ(dialog.TypeTree().CheckValue(docx), 2);
  EXPECT_EQ(dialog.TypeTree().CheckValue(docx->parent()), 1);
  dialog.Option("rawOnly")->click();
  dialog.OnOk();
  EXPECT_EQ(settings.vecRawTypes, (std::vector<int>{69, 68}));
}

TEST(AdvancedSettings, SizeTextAndImpliedTypes) {
  struct SizeCase {
    const char* text;
    std::int64_t size;
  } const sizes[] = {
      {"-5", 0},
      {"12ab", 12},
      {"", 0},
      {"abc", 0},
      {"  7", 7},
      {"+3", 3},
      {"50000000", 50000000},
      {"99999999999999999999", std::numeric_limits<std::int64_t>::max()},
  };
  for (const SizeCase& c : sizes) {
    EXPECT_EQ(ParseRawSizeText(QString::fromLatin1(c.text)), c.size) << c.text;
  }

  struct ImpliedCase {
    std::vector<int> chosen;
    std::vector<int> result;
  } const implied[] = {
      {{}, {}},
      {{69}, {69, 68}},
      {{21, 3, 48}, {21, 3, 48, 44}},
      {{5, 33}, {5, 33, 46}},
      {{44, 21}, {44, 21}},
      {{70, 71, 69, 67}, {70, 71, 69, 67, 68, 44}},
      {{68, 70}, {68, 70}},
  };
  for (const ImpliedCase& c : implied) {
    std::vector<int> types = c.chosen;
    AddImpliedRawTypes(types);
    EXPECT_EQ(types, c.result);
  }

  // Typing into the edit rewrites it as the number it holds.
  AppSettings settings;
  CAdvanceSettingMasterDlg dialog(true, nullptr, settings);
  dialog.ShowPage(CAdvanceSettingMasterDlg::kRawPage);
  dialog.SizeEdit().clear();
  QTest::keyClicks(&dialog.SizeEdit(), QStringLiteral("12ab"));
  EXPECT_EQ(dialog.SizeEdit().text(), QStringLiteral("12"));
}

TEST(AdvancedSettings, PagesSwitchHelpAndPictures) {
  AppSettings settings;
  CAdvanceSettingMasterDlg dialog(true, nullptr, settings);
  EXPECT_EQ(dialog.CurrentPage(), CAdvanceSettingMasterDlg::kFatPage);
  const char* const names[] = {"fat", "ntfs", "common", "raw"};
  for (int page = 0; page < 4; ++page) {
    dialog.PageButton(static_cast<CAdvanceSettingMasterDlg::Page>(page))->click();
    EXPECT_EQ(dialog.CurrentPage(), page);
    for (int other = 0; other < 4; ++other) {
      EXPECT_EQ(dialog.PageButton(static_cast<CAdvanceSettingMasterDlg::Page>(other))->isEnabled(),
                other != page);
    }
    EXPECT_FALSE(
        test::SaveToGallery(dialog, QStringLiteral("dialogs_settings_%1").arg(QLatin1String(names[page])))
            .isEmpty());
  }
  std::vector<int> topics;
  SetHelpViewer([&topics](QWidget*, int topic) { topics.push_back(topic); });
  QTest::keyClick(&dialog, Qt::Key_F1);
  SetHelpViewer({});
  EXPECT_EQ(topics, std::vector<int>{46});
}

} // namespace
} // namespace qm
