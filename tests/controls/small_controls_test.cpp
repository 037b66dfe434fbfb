#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "controls/hyper_link.h"
#include "controls/image_wnd.h"
#include "controls/partition_layout_view.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"

#include <cstring>

namespace {

TEST(BusyAnimation, PlaysLoopsAndStops) {
  QWidget host;
  host.resize(400, 300);
  CImageWnd busy(&host);
  busy.Play(); // nothing loaded: nothing plays
  EXPECT_FALSE(busy.IsStopped());
  busy.LoadFrames(QPixmap(), 12, 10, true);
  EXPECT_EQ(busy.FrameCount(), 12);
  busy.CenterAt(-1, -1);
  EXPECT_EQ(busy.geometry().center(), QRect(0, 0, 400, 300).center());
  host.show();
  busy.Play();
  QTest::qWait(80);
  EXPECT_FALSE(busy.IsStopped());
  busy.Stop();
  EXPECT_TRUE(busy.IsStopped());
  EXPECT_EQ(busy.CurrentFrame(), 0);
  // Without the loop flag the last frame stops it.
  busy.LoadFrames(QPixmap(), 3, 5, false);
  busy.Play();
  QTRY_VERIFY_WITH_TIMEOUT(busy.IsStopped(), 2000);
  busy.LoadFrames(QPixmap(), 12, 120, true);
  busy.Play();
  EXPECT_FALSE(qm::test::SaveToGallery(host, QStringLiteral("controls_busy_animation")).isEmpty());
}

TEST(HyperLink, OpensItsTargetAndSaysWhenItCannot) {
  CHyperLink link;
  link.SetURL(QStringLiteral("https://example.org/help"));
  EXPECT_EQ(link.text(), QStringLiteral("https://example.org/help"));
  EXPECT_EQ(link.toolTip(), QStringLiteral("https://example.org/help"));
  QStringList opened;
  bool succeed = false;
  link.SetOpener([&](const QString& t) {
    opened << t;
    return succeed;
  });
  qm::test::ScriptedPrompter prompter;
  link.SetPrompter(&prompter);
  QSignalSpy failed(&link, &CHyperLink::OpenFailed);
  link.show();
  QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
  ASSERT_EQ(failed.count(), 1);
  // The user is told, under the program's title, and why.
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("Unable to open hyperlink:\n\nThere is no application associated\n"
                                                   "with the given filename extension."));
  EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("Quenmark"));
  EXPECT_EQ(prompter.shown[0].icon, qm::PromptIcon::Warning);
  EXPECT_EQ(failed[0][0].toString(), prompter.shown[0].text);
  EXPECT_FALSE(link.IsVisited());
  // A local file that is not there says so.
  link.SetURL(QStringLiteral("/no/such/file.html"));
  QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].text, QStringLiteral("Unable to open hyperlink:\n\nThe specified file is not found."));
  succeed = true;
  QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
  EXPECT_TRUE(link.IsVisited());
  EXPECT_EQ(opened.size(), 3);
  link.SetLinkCursor(QCursor(Qt::IBeamCursor));
  EXPECT_EQ(link.cursor().shape(), Qt::IBeamCursor);

  CHyperLink folder(true);
  folder.SetPrompter(&prompter);
  folder.SetURL(QStringLiteral("/no/such/folder"));
  QSignalSpy folderFailed(&folder, &CHyperLink::OpenFailed);
  folder.show();
  QTest::mouseClick(&folder, Qt::LeftButton, {}, folder.rect().center());
  ASSERT_EQ(folderFailed.count(), 1);
  EXPECT_EQ(folderFailed[0][0].toString(), QStringLiteral("Path Invalid!"));
}

LAYOUT_PARTITION Part(const char* name, std::uint32_t fs, std::uint64_t first, std::uint64_t last,
                      double rank) {
  LAYOUT_PARTITION p;
  std::strncpy(p.name, name, sizeof p.name - 1);
  p.fileSystem = fs;
  p.firstSector = first;
  p.lastSector = last;
  p.rank = rank;
  return p;
}

TEST(PartitionLayoutFrame, CaptionsAndRowsChangeTheViewHeight) {
  CPartitionLayoutFrame frame;
  frame.resize(760, 400);
  frame.show();
  LAYOUT_DISK disk;
  disk.name = "backup.img";
  disk.type = 2;
  disk.sectorCount = 2000000;
  frame.SetItem(disk);
  EXPECT_EQ(frame.Caption(), QStringLiteral("Partitions layout on the disk image \"backup.img\":"));
  disk.type = 0;
  disk.name = "sdb";
  frame.SetItem(disk);
  EXPECT_EQ(frame.Caption(), QStringLiteral("Partitions layout on the disk \"sdb\":"));
  EXPECT_TRUE(frame.LegendText().startsWith(QStringLiteral("Size: ")));

  CPartitionLayoutView* view = frame.GetView();
  EXPECT_EQ(view->GetContentHeight(), 80);
  const auto a = Part("Partition 1 NTFS", 3, 2048, 1200000, 0.97);
  const auto b = Part("Partition 2 FAT32", 2, 1000000, 1900000, 0.55);
  const auto tiny = Part("Partition 3 EXT2", 4, 1950000, 1950010, 0.2);
  view->AddPartition(a);
  view->AddPartition(b);
  view->AddPartition(tiny);
  EXPECT_EQ(view->GetContentHeight(), 160);
  EXPECT_EQ(view->height(), 160);
  view->RemovePartition(b);
  EXPECT_EQ(view->GetContentHeight(), 80);
  view->AddPartition(b);
  EXPECT_FALSE(qm::test::SaveToGallery(frame, QStringLiteral("controls_partition_layout")).isEmpty());
  view->DeleteAllItems();
  EXPECT_EQ(view->GetContentHeight(), 80);
  EXPECT_TRUE(view->Rows().Rows().empty());
}

} // namespace
