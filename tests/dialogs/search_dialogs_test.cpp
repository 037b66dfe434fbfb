// The two search dialogs: their arithmetic, how they show a running search
// and how a stop is asked for, with pictures of both.
#include <QtTest/QTest>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>
#include <gtest/gtest.h>

#include <thread>

#include "app/string_table.h"
#include "dialogs/intelligent_searching_dlg.h"
#include "dialogs/lost_partition_searching_dlg.h"
#include "dialogs/search_progress_rules.h"
#include "storage/storage_device.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"

namespace qm {
namespace {

TEST(SearchProgressRules, DivisorKeepsTheBarWithinAThousandSteps) {
  const struct {
    std::uint64_t span, divisor;
  } rows[] = {{0, 1},
              {1, 1},
              {1000, 1},
              {1001, 10},
              {10000, 10},
              {10009, 10},
              {10010, 100},
              {123456789, 1000000},
              {UINT64_MAX, 100000000000000000ull}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.span);
    EXPECT_EQ(ProgressRangeDivisor(row.span), row.divisor);
    EXPECT_LE(row.span / ProgressRangeDivisor(row.span), 1000u);
  }
}

TEST(SearchProgressRules, TimesAndCounters) {
  EXPECT_EQ(FormatHms(0), "00:00:00");
  EXPECT_EQ(FormatHms(3 * 3600 + 25 * 60 + 7), "03:25:07");
  EXPECT_EQ(FormatHms(100 * 3600), "100:00:00");
  // Nothing done, or all done: no estimate.
  EXPECT_EQ(EstimateRemainingMs(9000, 0, 100), 0u);
  EXPECT_EQ(EstimateRemainingMs(9000, 100, 100), 0u);
  // 10 s for a quarter: 30 s for the rest, in whole tenths of a second.
  EXPECT_EQ(EstimateRemainingMs(10000, 250, 1000), 30000u);
  EXPECT_EQ(EstimateRemainingMs(1050, 1, 3), 2000u);
  EXPECT_EQ(LostSearchRemainingSeconds(6000, 0, 10), 0u);
  EXPECT_EQ(LostSearchRemainingSeconds(6000, 3, 9), 13u); // 6 x 6000 / 3 / 1000 + 1
  EXPECT_EQ(LostSearchRemainingSeconds(6000, 12, 9), 1u); // past the end: the one second
  EXPECT_EQ(CounterText(42), "42");
  EXPECT_EQ(CounterText(0x80000000ull), "-2147483648");
  EXPECT_EQ(CounterText(0x100000005ull), "5");
}

TEST(IntelligentSearchingDialog, OpensCompactAndShowsTheCountersExpanded) {
  test::ScriptedPrompter prompter;
  CIntelligentSearchingDialog dialog(prompter, 1);
  dialog.show();
  EXPECT_FALSE(dialog.IsExpanded());
  EXPECT_TRUE(dialog.ExpandButton()->isVisible());
  EXPECT_FALSE(dialog.CollapseButton()->isVisible());
  const int compactHeight = dialog.sizeHint().height();

  dialog.SetRange(0, 5000);
  EXPECT_EQ(dialog.Divisor(), 10u);
  SearchStatistics statistics;
  statistics.Counter1 = 2;
  statistics.FATBootRecords = 3;
  statistics.NTFSFileRecords = 1234;
  statistics.TotalFilesFound = 0x80000001ull;
  dialog.UpdateStatistics(&statistics);
  dialog.SetPos(2500);
  dialog.Refresh();
  EXPECT_EQ(dialog.Bar()->maximum(), 500);
  EXPECT_EQ(dialog.Bar()->value(), 250);
  EXPECT_EQ(dialog.CompactTotalText(), QStringLiteral("-2147483647"));
  EXPECT_EQ(dialog.CounterText(5), QStringLiteral("1234"));
  SearchStatistics copy;
  dialog.GetStatistics(&copy);
  EXPECT_EQ(copy.FATBootRecords, 3u);
  // No time has passed for the estimate: it is still being worked out.
  EXPECT_EQ(dialog.RemainingText(), LoadAppString(132));
  EXPECT_FALSE(
      test::SaveToGallery(dialog, QStringLiteral("dialogs_intelligent_searching_compact")).isEmpty());

  QTest::mouseClick(dialog.ExpandButton(), Qt::LeftButton);
  EXPECT_TRUE(dialog.IsExpanded());
  EXPECT_GT(dialog.sizeHint().height(), compactHeight);
  EXPECT_TRUE(dialog.CollapseButton()->isVisible());
  EXPECT_FALSE(
      test::SaveToGallery(dialog, QStringLiteral("dialogs_intelligent_searching_expanded")).isEmpty());
  QTest::mouseClick(dialog.CollapseButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog.IsExpanded());
  dialog.hide();
}

TEST(IntelligentSearchingDialog, AnEstimateOnceShownStaysEvenAtZero) {
  test::ScriptedPrompter prompter;
  CIntelligentSearchingDialog dialog(prompter, 1);
  dialog.SetRange(0, 10);
  dialog.SetPos(1);
  QTest::qWait(1200);
  dialog.Refresh();
  EXPECT_NE(dialog.RemainingText(), LoadAppString(132));
  dialog.SetPos(10);
  dialog.Refresh();
  EXPECT_EQ(dialog.RemainingText(), QStringLiteral("00:00:00"));
}

TEST(IntelligentSearchingDialog, CancelAsksAndOnlyYesStops) {
  test::ScriptedPrompter prompter;
  CIntelligentSearchingDialog dialog(prompter, 2);
  dialog.show();
  prompter.answers = {false};
  dialog.OnCancel();
  EXPECT_EQ(dialog.IsCancelled(), 0);
  EXPECT_TRUE(dialog.CancelButton()->isEnabled());
  prompter.answers = {true};
  QTest::keyClick(&dialog, Qt::Key_Escape); // the close box and Escape ask the same
  EXPECT_EQ(dialog.IsCancelled(), 1);
  EXPECT_FALSE(dialog.CancelButton()->isEnabled());
  EXPECT_EQ(dialog.windowTitle(), LoadAppString(402));
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].text, LoadAppString(239));
  // A second Cancel after the stop asks nothing more.
  dialog.OnCancel();
  EXPECT_EQ(prompter.shown.size(), 2u);
  dialog.hide();
}

TEST(IntelligentSearchingDialog, EndsAfterTheSearchReportsItsEndAndIgnoresEnter) {
  test::ScriptedPrompter prompter;
  CIntelligentSearchingDialog dialog(prompter, 1);
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    dialog.SetFinished();
  });
  test::WhenModalOpens([](QWidget& w) { QTest::keyClick(&w, Qt::Key_Return); });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  worker.join();
  EXPECT_TRUE(prompter.shown.empty());
}

TEST(LostPartitionSearchingDialog, RemainingTimeWaitsFiveSecondsAndFreezesWhileAsking) {
  test::ScriptedPrompter prompter;
  CLostPartitionSearchingDialog dialog(prompter);
  dialog.show();
  dialog.SetRange(0, 9);
  for (int i = 0; i < 3; ++i)
    dialog.Step();
  dialog.Refresh(4999);
  EXPECT_EQ(dialog.RemainingText(), LoadAppString(132));
  dialog.Refresh(6000);
  EXPECT_EQ(dialog.RemainingText(), QStringLiteral("00:00:13"));
  EXPECT_EQ(dialog.ElapsedText(), QStringLiteral("00:00:06"));
  EXPECT_EQ(dialog.Bar()->value(), 3);
  EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("dialogs_lost_partition_searching")).isEmpty());

  prompter.answers = {false};
  dialog.OnCancel();
  EXPECT_EQ(dialog.IsCancelled(), 0);
  EXPECT_EQ(prompter.shown.back().text, LoadAppString(241));
  prompter.answers = {true};
  dialog.OnCancel();
  EXPECT_EQ(dialog.IsCancelled(), 1);
  EXPECT_FALSE(dialog.CancelButton()->isEnabled());
  dialog.Step();
  dialog.Refresh(9000); // stopping: the estimate keeps its value
  EXPECT_EQ(dialog.RemainingText(), QStringLiteral("00:00:13"));
  dialog.hide();

  CLostPartitionSearchingDialog idle(prompter);
  idle.SetRange(0, 9);
  idle.Refresh(8000);
  EXPECT_EQ(idle.RemainingText(), LoadAppString(132));
}

// A device that counts its destruction.
class CountedDevice : public IStorageDevice {
public:
  explicit CountedDevice(int& gone) : gone_(gone) {}
  ~CountedDevice() override { ++gone_; }
  int ReadSectors(void*, std::uint64_t, std::uint64_t) override { return 0; }
  std::uint64_t GetSectorCount() override { return 0; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  int& gone_;
};

TEST(LostPartitionSearchingDialog, KeepsCopiesOfTheFindsAndFreesWhatNobodyTook) {
  test::ScriptedPrompter prompter;
  int gone = 0;
  std::vector<LostPartitionRecord> taken;
  {
    CLostPartitionSearchingDialog dialog(prompter);
    LostPartitionRecord record;
    record.startSector = 2048;
    record.fileSystemType = 3;
    record.partitionDevice = new CountedDevice(gone);
    dialog.OnPartitionFound(&record);
    record.startSector = 4096; // the search reuses its record
    record.partitionDevice = new CountedDevice(gone);
    dialog.OnPartitionFound(&record);
    dialog.GetFoundPartitions(taken);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].startSector, 2048u);
    record.partitionDevice = new CountedDevice(gone);
    dialog.OnPartitionFound(&record);
  }
  EXPECT_EQ(gone, 1); // only the one left in the dialog
  for (auto& record : taken)
    delete record.partitionDevice;
  EXPECT_EQ(gone, 3);
}

} // namespace
} // namespace qm
