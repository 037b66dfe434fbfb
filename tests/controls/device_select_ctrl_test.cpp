#include "controls/device_select_ctrl.h"

#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <array>

#include "app/format_text.h"
#include "support_ui/gallery.h"

namespace {

int g_data[8];

struct DeviceView : ::testing::Test {
  CDeviceSelectCtrl ctrl;
  void SetUp() override {
    ctrl.resize(900, 300);
    ctrl.show();
  }
  void Add(int n, std::uint64_t sectors = 1000000) {
    for (int i = 0; i < n; ++i) {
      DEVICE_ITEM item;
      item.iconKind = static_cast<std::uint32_t>(i % 7);
      item.name = QStringLiteral("Device %1").arg(i);
      item.sectorCount = sectors;
      item.bytesPerSector = 512;
      item.information = QStringLiteral("info %1").arg(i);
      item.itemData = &g_data[i % 8];
      ctrl.AddItem(item);
    }
  }
  QPoint RowCentre(int i) const {
    const auto& r = ctrl.View()->RowAt(i);
    return QPoint(100, r.top + r.height / 2) - ctrl.View()->ScrollPosition();
  }
  QWidget* Vp() const { return ctrl.View()->viewport(); }
};

TEST_F(DeviceView, EmptyViewHasNothingToSelect) {
  EXPECT_EQ(ctrl.View()->ContentSize(), QSize(0, 0));
  EXPECT_EQ(ctrl.GetCurSel(), -1);
  EXPECT_EQ(ctrl.GetItemData(0), nullptr);
  EXPECT_EQ(ctrl.GetItemData(-1), nullptr);
  QTest::keyClick(ctrl.View(), Qt::Key_Down);
  EXPECT_EQ(ctrl.GetCurSel(), -1);
}

TEST_F(DeviceView, ClickSelectionRules) {
  Add(3);
  QSignalSpy changed(&ctrl, &CDeviceSelectCtrl::SelectionChanged);
  QTest::mouseClick(Vp(), Qt::LeftButton, {}, RowCentre(1));
  EXPECT_EQ(ctrl.GetCurSel(), 1);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(ctrl.GetItemData(1), &g_data[1]);
  // The same row again: nothing changes, nothing is sent.
  QTest::mouseClick(Vp(), Qt::LeftButton, {}, RowCentre(1));
  EXPECT_EQ(changed.count(), 1);
  // Beside the rows (below them, and right of the cells): the selection stays, nothing is sent.
  QTest::mouseClick(Vp(), Qt::LeftButton, {}, QPoint(100, Vp()->height() - 5));
  EXPECT_EQ(ctrl.GetCurSel(), 1);
  EXPECT_EQ(changed.count(), 1);
  // Another row: sent once, one row selected.
  QTest::mouseClick(Vp(), Qt::LeftButton, {}, RowCentre(2));
  EXPECT_EQ(ctrl.GetCurSel(), 2);
  EXPECT_EQ(changed.count(), 2);
  int selected = 0;
  for (int i = 0; i < 3; ++i)
    selected += ctrl.View()->RowAt(i).selected;
  EXPECT_EQ(selected, 1);
  // A right-button press selects too.
  QTest::mousePress(Vp(), Qt::RightButton, {}, RowCentre(0));
  EXPECT_EQ(ctrl.GetCurSel(), 0);
  EXPECT_EQ(changed.count(), 3);
  QTest::mouseRelease(Vp(), Qt::RightButton, {}, RowCentre(0));
}

TEST_F(DeviceView, KeysMoveWithoutNotifyingAndClicksNotify) {
  Add(3);
  QSignalSpy changed(&ctrl, &CDeviceSelectCtrl::SelectionChanged);
  QSignalSpy dbl(&ctrl, &CDeviceSelectCtrl::DoubleClicked);
  QSignalSpy right(&ctrl, &CDeviceSelectCtrl::RightClicked);
  // With nothing selected a right click beside the rows and a double click tell nothing.
  QTest::mouseClick(Vp(), Qt::RightButton, {}, QPoint(100, Vp()->height() - 5));
  QTest::mouseDClick(Vp(), Qt::LeftButton, {}, QPoint(100, Vp()->height() - 5));
  EXPECT_EQ(right.count(), 0);
  EXPECT_EQ(dbl.count(), 0);
  QTest::mouseClick(Vp(), Qt::LeftButton, {}, RowCentre(0));
  ASSERT_EQ(changed.count(), 1);
  QTest::keyClick(ctrl.View(), Qt::Key_Down);
  QTest::keyClick(ctrl.View(), Qt::Key_Down);
  QTest::keyClick(ctrl.View(), Qt::Key_Down); // stays on the last
  EXPECT_EQ(ctrl.GetCurSel(), 2);
  QTest::keyClick(ctrl.View(), Qt::Key_Up);
  EXPECT_EQ(ctrl.GetCurSel(), 1);
  EXPECT_EQ(changed.count(), 1);
  QTest::mouseDClick(Vp(), Qt::LeftButton, {}, RowCentre(1));
  EXPECT_EQ(dbl.count(), 1);
  QTest::mouseClick(Vp(), Qt::RightButton, {}, RowCentre(1));
  EXPECT_EQ(right.count(), 1);
}

TEST_F(DeviceView, CapacityCellsDeletionAndColumnDrag) {
  DEVICE_ITEM none;
  none.name = QStringLiteral("no size");
  ctrl.AddItem(none);
  DEVICE_ITEM odd;
  odd.name = QStringLiteral("odd sectors");
  odd.sectorCount = 2048;
  odd.bytesPerSector = 520; // counts as 512
  ctrl.AddItem(odd);
  EXPECT_TRUE(ctrl.View()->RowAt(0).cells[1].text.isEmpty());
  EXPECT_EQ(ctrl.View()->RowAt(1).cells[1].text, QString::fromStdString(FormatSectorsSize(2048, 512)));
  DEVICE_ITEM multi;
  multi.name = QStringLiteral("one\ntwo\nthree");
  ctrl.AddItem(multi);
  EXPECT_GT(ctrl.View()->RowAt(2).height, ctrl.View()->RowAt(1).height);

  const int before = ctrl.View()->ContentSize().width();
  ctrl.Header()->resizeSection(0, 400);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ctrl.View()->RowAt(i).cells[0].width, 400);
  EXPECT_EQ(ctrl.View()->ContentSize().width(), before + 80);

  const int h0 = ctrl.View()->RowAt(0).height;
  ctrl.DeleteItem(0);
  ctrl.DeleteItem(7); // ignored
  ASSERT_EQ(ctrl.GetCount(), 2);
  EXPECT_EQ(ctrl.View()->RowAt(0).top, 0);
  EXPECT_EQ(ctrl.View()->RowAt(1).top, ctrl.View()->RowAt(0).height);
  (void)h0;
}

TEST_F(DeviceView, ColumnsStartWideEnoughForTheNamesAndTheWindow) {
  ctrl.resize(1280, 300);
  const auto widths = [&] {
    return std::array<int, 3>{ctrl.Header()->GetColumnWidth(0), ctrl.Header()->GetColumnWidth(1),
                              ctrl.Header()->GetColumnWidth(2)};
  };
  const int shown = ctrl.View()->viewport()->width();
  DEVICE_ITEM item;
  item.iconKind = 3;
  item.name = QStringLiteral("Recovered system volume with a long label here - NTFS");
  ctrl.AddItem(item);
  const int need = ctrl.View()->ContentWidth(0);
  ASSERT_GT(need, 320);
  EXPECT_EQ(widths()[0], need);
  EXPECT_EQ(ctrl.View()->RowAt(0).cells[0].width, need);
  // The information column reaches the right edge, no further.
  EXPECT_EQ(widths()[0] + widths()[1] + widths()[2], shown);
  // A name wider than the window leaves the other two columns their room.
  item.name = QString(200, QLatin1Char('W'));
  ctrl.AddItem(item);
  EXPECT_EQ(widths()[0], shown - widths()[1] - 200);
  // Once the user has dragged a column the widths are theirs.
  ctrl.Header()->resizeSection(0, 350);
  ctrl.AddItem(item);
  ctrl.resize(1000, 300);
  EXPECT_EQ(widths()[0], 350);
}

TEST_F(DeviceView, KeyboardScrollsTheSelectionIntoView) {
  Add(8);
  ctrl.resize(900, 120);
  QTest::mouseClick(Vp(), Qt::LeftButton, {}, RowCentre(0));
  for (int i = 0; i < 7; ++i)
    QTest::keyClick(ctrl.View(), Qt::Key_Down);
  EXPECT_EQ(ctrl.GetCurSel(), 7);
  const auto& last = ctrl.View()->RowAt(7);
  EXPECT_EQ(ctrl.View()->ScrollPosition().y(), last.top + last.height - ctrl.View()->viewport()->height());
}

TEST_F(DeviceView, StylesAndGallery) {
  ctrl.SetCtrlStyle(1);
  EXPECT_EQ(ctrl.Header()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Disk"));
  ctrl.SetCtrlStyle(7);
  EXPECT_EQ(ctrl.Header()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Device"));
  ctrl.SetCtrlStyle(2);
  Add(7);
  DEVICE_ITEM multi;
  multi.iconKind = 1;
  multi.name = QStringLiteral("A disk with a rather long name that does not fit in its column at all");
  multi.sectorCount = 62914560;
  multi.bytesPerSector = 512;
  multi.information = QStringLiteral("sda1  DATA  (/media/u/DATA)  [NTFS]\nsda2  [EXT2]");
  ctrl.AddItem(multi);
  QTest::mouseClick(Vp(), Qt::LeftButton, {}, RowCentre(2));
  EXPECT_FALSE(qm::test::SaveToGallery(ctrl, QStringLiteral("controls_device_select")).isEmpty());
}

} // namespace
