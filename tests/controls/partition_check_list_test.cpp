#include "controls/partition_check_list.h"

#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "controls/ex_splitter_wnd.h"
#include "controls/partition_layout_view.h"
#include "support_ui/gallery.h"

namespace {

IntelligentPartitionResult Result(const char* name, std::uint32_t kind, std::uint64_t first,
                                  std::uint64_t last, double rank = 0.8) {
  IntelligentPartitionResult r;
  r.name = name;
  r.kind = kind;
  r.firstSector = first;
  r.lastSector = last;
  r.rank = rank;
  r.fileSystem = 3;
  r.filesMatched = 120;
  r.foldersMatched = 14;
  return r;
}

struct CheckList : ::testing::Test {
  CLostPartitionCtrlContainer container;
  std::vector<IntelligentPartitionResult> results;
  CMultipleChoosePartitionListCtrl* List() { return container.GetListPane(); }
  const qm::PartitionLayoutRows& Layout() { return container.GetLayoutView()->Rows(); }
  int Blocks() {
    int n = 0;
    for (const auto& row : Layout().Rows())
      n += static_cast<int>(row.size());
    return n;
  }
  void SetUp() override {
    container.resize(760, 420);
    container.show();
    LAYOUT_DISK disk;
    disk.name = "sdb";
    disk.sectorCount = 1000000;
    container.GetLayoutPane()->SetItem(disk);
    results.reserve(16);
  }
};

TEST_F(CheckList, PrecheckLimitAndRecommendedMark) {
  for (int i = 0; i < 6; ++i)
    results.push_back(Result("Partition", 1, static_cast<std::uint64_t>(i) * 100000, i * 100000 + 99999));
  for (auto& r : results)
    List()->AddPartition(&r);
  EXPECT_EQ(List()->GetCount(), 6);
  EXPECT_EQ(List()->GetCheckedCount(), 4);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(List()->GetRowCheck(i), i < 4) << i;
    EXPECT_EQ(List()->List()->GetLine(i)->cells[0].parts[0].text.endsWith(QStringLiteral("(recommended)")),
              i < 4);
  }
  EXPECT_EQ(Blocks(), 4);
  EXPECT_FALSE(List()->GetRowCheck(6));
  EXPECT_EQ(List()->GetRowData(6), nullptr);

  List()->DeleteAllItems();
  container.GetLayoutView()->DeleteAllItems();
  List()->SetListMode(1);
  for (auto& r : results)
    List()->AddPartition(&r);
  EXPECT_EQ(List()->GetCheckedCount(), 1);
  EXPECT_EQ(Blocks(), 1);
}

TEST_F(CheckList, QuestionableRowsAreColouredAndNeverPrechecked) {
  results.push_back(Result("Partition 1 NTFS", 2, 0, 1000));
  List()->AddPartition(&results[0]);
  EXPECT_FALSE(List()->GetRowCheck(0));
  EXPECT_EQ(List()->List()->GetLine(0)->cells[0].textColour, QColor(0xA0, 0x6D, 0x00));
  EXPECT_EQ(List()->List()->GetLine(0)->cells[2].parts[0].text, QStringLiteral("Medium")); // threshold 0
}

TEST_F(CheckList, ClickingTheBoxAddsAndRemovesTheBlock) {
  results.push_back(Result("a", 0, 0, 500000));
  results.push_back(Result("b", 0, 400000, 600000));
  for (auto& r : results)
    List()->AddPartition(&r);
  CExtendListCtrl* list = List()->List();
  QWidget* vp = list->viewport();
  const QPoint box1 = list->CheckBoxCentre(1, 0, 0);
  ASSERT_NE(box1, QPoint(-1, -1));
  QTest::mouseClick(vp, Qt::LeftButton, {}, list->CheckBoxCentre(0, 0, 0));
  QTest::mouseClick(vp, Qt::LeftButton, {}, box1);
  EXPECT_EQ(List()->GetCheckedCount(), 2);
  ASSERT_EQ(Layout().Rows().size(), 2u); // they overlap
  QTest::mouseClick(vp, Qt::LeftButton, {}, box1);
  EXPECT_FALSE(List()->GetRowCheck(1));
  EXPECT_EQ(Layout().Rows().size(), 1u);
  EXPECT_EQ(List()->GetSelectedRow(), 1);
  // A click on the row's text selects it without turning the box.
  QTest::mouseClick(vp, Qt::LeftButton, {}, box1 + QPoint(80, 0));
  EXPECT_FALSE(List()->GetRowCheck(1));
}

TEST_F(CheckList, RightButtonTogglesAndReportsLeftButtonDoesNotReport) {
  results.push_back(Result("a", 0, 0, 1000));
  List()->AddPartition(&results[0]);
  QSignalSpy changed(List(), &CMultipleChoosePartitionListCtrl::CheckStatesChanged);
  CExtendListCtrl* list = List()->List();
  const QPoint box = list->CheckBoxCentre(0, 0, 0);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box);
  EXPECT_TRUE(List()->GetRowCheck(0));
  EXPECT_EQ(changed.count(), 0);
  QSignalSpy menuWanted(list, &CExtendListCtrl::LineRightClicked);
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, box);
  EXPECT_FALSE(List()->GetRowCheck(0));
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(menuWanted.count(), 0); // the box took the click
  // Beside the box the row's menu is asked for.
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, box + QPoint(120, 0));
  EXPECT_FALSE(List()->GetRowCheck(0));
  ASSERT_EQ(menuWanted.count(), 1);
  EXPECT_EQ(menuWanted[0][0].toInt(), 0);
}

TEST_F(CheckList, OptionChangesAreReportedOnlyWithAnOwner) {
  results.push_back(Result("a", 0, 0, 1000));
  results[0].options.push_back({1, "$MFT Only"});
  List()->AddPartition(&results[0]);
  QSignalSpy option(List(), &CMultipleChoosePartitionListCtrl::PartitionOptionChanged);
  CExtendListCtrl* list = List()->List();
  const QPoint box = list->CheckBoxCentre(0, 3, 0);
  ASSERT_NE(box, QPoint(-1, -1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box);
  EXPECT_EQ(option.count(), 0);
  QObject owner;
  List()->SetOwner(&owner);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box);
  ASSERT_EQ(option.count(), 1);
  EXPECT_EQ(option[0][0].toInt(), 0);
  EXPECT_EQ(option[0][1].toInt(), 3);
  EXPECT_EQ(option[0][2].toInt(), 0);
  EXPECT_EQ(option[0][3].toInt(), 1); // unticked, then ticked again
}

TEST(ExtendList, CellsPerLineAndNarrowBoxes) {
  CExtendListCtrl list;
  list.resize(400, 200);
  list.AddColumn(QStringLiteral("a"), 100);
  list.AddColumn(QStringLiteral("b"), 100);
  list.AddColumn(QStringLiteral("c"), 100);
  for (int i = 0; i < 5; ++i)
    list.AddLine(20);
  ExtendListCell cell;
  cell.partCount = 1;
  cell.parts[0].hasCheckBox = true;
  cell.width = 10; // too narrow for its box
  int accepted = 0;
  for (int i = 0; i < 5; ++i)
    accepted += list.AddCell(4, cell);
  EXPECT_EQ(accepted, 3);
  EXPECT_FALSE(list.AddCell(5, cell));
  list.show();
  EXPECT_EQ(list.CheckBoxCentre(4, 0, 0), QPoint(-1, -1));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, 4 * 20 + 10));
  EXPECT_FALSE(list.IsLineChecked(4));
  EXPECT_EQ(list.GetSelectedLine(), 4);
}

TEST(ExSplitter, DraggedPaneSnapsToItsLimits) {
  QWidget host;
  CExSplitterWnd splitter(Qt::Horizontal, &host);
  splitter.addWidget(new QWidget);
  splitter.addWidget(new QWidget);
  splitter.resize(1000, 300);
  splitter.SetColumnLimits(0, 200, 100, 400);
  host.show();
  EXPECT_EQ(splitter.FixedPaneSize(), 200);
  splitter.setSizes({500, 496});
  Q_EMIT splitter.splitterMoved(500, 1);
  EXPECT_EQ(splitter.FixedPaneSize(), 400);
  splitter.resize(1200, 300);
  EXPECT_EQ(splitter.FixedPaneSize(), 400);
}

TEST_F(CheckList, Gallery) {
  const char* names[] = {"Partition 1 NTFS", "Partition 2 FAT32", "Partition 3 NTFS", "Partition 4 EXT2"};
  const std::uint64_t ranges[][2] = {{2048, 400000}, {300000, 700000}, {720000, 990000}, {995000, 995020}};
  const std::uint32_t kinds[] = {1, 1, 2, 0};
  for (int i = 0; i < 4; ++i) {
    results.push_back(Result(names[i], kinds[i], ranges[i][0], ranges[i][1], 0.5 + 0.16 * i));
    results.back().fileSystem = i == 1 ? 2 : i == 3 ? 4 : 3;
  }
  results[1].options = {{1, "FAT1"}, {0, "FAT2"}};
  results[0].options = {{0, "$MFT Only"}};
  List()->SetSuggestionThreshold(0.6);
  for (auto& r : results)
    List()->AddPartition(&r);
  QTest::mouseClick(List()->List()->viewport(), Qt::LeftButton, {}, List()->List()->CheckBoxCentre(3, 0, 0));
  EXPECT_FALSE(
      qm::test::SaveToGallery(container, QStringLiteral("controls_lost_partition_container")).isEmpty());
}

} // namespace
