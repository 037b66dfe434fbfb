// The wizards' rules as tables: destination names, the texts of sizes,
// levels and times, the image settings of the advanced page, the region
// the user types, the sector bar's geometry and the part-list repair.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "controls/sector_select_ctrl.h"
#include "image_test_support.h"
#include "imaging/destination_check.h"
#include "imaging/image_file.h"
#include "imaging/imaging_rules.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

using namespace image;

TEST(ImagingRules, NamesAndTexts) {
  EXPECT_EQ(EnsureQmiExtension("/img/disk"), "/img/disk.qmi");
  EXPECT_EQ(EnsureQmiExtension("/img/disk.qmi"), "/img/disk.qmi");
  EXPECT_EQ(EnsureQmiExtension("/a.qmi"), "/a.qmi.qmi"); // 6 characters or fewer: always
  EXPECT_EQ(EnsureQmiExtension("/img/disk.QMI"), "/img/disk.QMI.qmi");
  EXPECT_EQ(CutText("short", 40, "........."), "short");
  EXPECT_EQ(CutText(std::string(41, 'a'), 40, "........."), std::string(40, 'a') + ".........");
  // Never half a character: "é" is two bytes at 39 and 40.
  EXPECT_EQ(CutText(std::string(39, 'a') + "\xC3\xA9" + "zz", 40, "..."), std::string(39, 'a') + "...");

  EXPECT_EQ(SizeText(2097152, 512), "1.00 GB");
  EXPECT_EQ(SizeText(2097151, 512), "1024.00 MB");
  EXPECT_EQ(SizeText(262144, 4096), "1.00 GB");
  EXPECT_EQ(SizeText(1000, 520), "0.49 MB"); // an odd sector size counts as 512
  EXPECT_EQ(LevelText(1), "Fastest");
  EXPECT_EQ(LevelText(5), "Normal");
  EXPECT_EQ(LevelText(9), "Maximum");
  EXPECT_EQ(LevelText(-1), "None");

  EXPECT_EQ(RemainingTimeText(4999, 10, 100), "Calculating...");
  EXPECT_EQ(RemainingTimeText(60000, 0, 100), "Calculating...");
  EXPECT_EQ(RemainingTimeText(6000, 10, 100), "00:00:55");
  EXPECT_EQ(RemainingTimeText(3600000, 1, 3), "02:00:01");
  EXPECT_EQ(EstimateText(3723000), "1:2:3");
}

TEST(ImagingRules, AdvancedPageSettings) {
  struct Row {
    bool compress;
    int level;
    bool split;
    int size;
    std::uint32_t type;
    std::int32_t expectedLevel;
    std::uint32_t splitSize;
  };
  const Row rows[] = {
      {false, 0, false, 0, 0, -1, 8388600}, {true, 0, false, 2, 2, 1, 8388600},
      {true, 1, true, 1, 2, 5, 4194304},    {true, 2, true, 2, 2, 9, 2097152},
      {false, 2, true, 3, 0, -1, 1310720},
  };
  for (const Row& row : rows) {
    const ImageSettings s = SettingsFromChoices(row.compress, row.level, row.split, row.size);
    EXPECT_EQ(s.compressionType, row.type);
    EXPECT_EQ(s.level, row.expectedLevel);
    EXPECT_EQ(s.splitSize, row.splitSize);
  }
}

TEST(ImagingRules, RegionEditsAndSteps) {
  const std::uint64_t n = 1000;
  RegionRules r(n);
  EXPECT_EQ(r.First(), 0u);
  EXPECT_EQ(r.Last(), n - 1);
  EXPECT_EQ(r.Count(), n);
  // Past the disk, or exactly its last sector: the last sector.
  EXPECT_EQ(r.EditLast(static_cast<std::int64_t>(n + 5)), static_cast<std::int64_t>(n - 1));
  EXPECT_EQ(r.EditLast(static_cast<std::int64_t>(n - 1)), static_cast<std::int64_t>(n - 1));
  EXPECT_EQ(r.EditFirst(100), 100);
  EXPECT_EQ(r.EditLast(500), 500);
  EXPECT_EQ(r.Count(), 401u);
  // A last sector below the first resets the first to 0.
  EXPECT_EQ(r.EditLast(50), 50);
  EXPECT_EQ(r.First(), 0u);
  EXPECT_EQ(r.Last(), 50u);
  EXPECT_EQ(r.EditLast(-7), 0);
  EXPECT_EQ(r.Last(), 0u);
  // A first sector above the last, or negative, becomes 0.
  r.EditLast(300);
  EXPECT_EQ(r.EditFirst(301), 0);
  EXPECT_EQ(r.EditFirst(-1), 0);
  r.EditFirst(299);
  r.StepFirst(true);
  r.StepFirst(true); // stops at the last
  EXPECT_EQ(r.First(), 300u);
  r.StepLast(false); // not below the first
  EXPECT_EQ(r.Last(), 300u);
  r.EditLast(static_cast<std::int64_t>(n - 1));
  r.StepLast(true);
  EXPECT_EQ(r.Last(), n - 1);
  r.EditFirst(0);
  r.StepFirst(false);
  EXPECT_EQ(r.First(), 0u);
}

TEST(SectorBar, SelectionGeometry) {
  SectorBarLayout bar;
  bar.Lay(224, 60);    // a track of 200 pixels
  bar.SetTotal(20001); // 100 sectors a pixel
  EXPECT_EQ(bar.Track().left, 12);
  EXPECT_EQ(bar.Track().Width(), 200);
  EXPECT_EQ(bar.Track().top, 15);
  EXPECT_DOUBLE_EQ(bar.SectorsPerPixel(), 100.0);
  EXPECT_EQ(bar.Selection().left, 12);
  EXPECT_EQ(bar.Selection().right, 212);
  EXPECT_EQ(bar.LeftHandle().right, 12);
  EXPECT_EQ(bar.LeftHandle().left, 4);
  EXPECT_EQ(bar.RightHandle().left, 212);

  // An inverted or out-of-range selection becomes the whole disk.
  EXPECT_TRUE(bar.SetSelection(10, 5));
  EXPECT_EQ(bar.StoredFirst(), 0u);
  EXPECT_EQ(bar.StoredLast(), 20000u);
  EXPECT_TRUE(bar.SetSelection(0, 20001));
  EXPECT_FALSE(bar.SetSelection(1000, 5000));
  EXPECT_EQ(bar.Selection().left, 22);
  EXPECT_EQ(bar.Selection().right, 62);

  std::uint64_t first = 0, last = 0;
  // Moving the band keeps the number of sectors.
  bar.DragBy(SectorBarLayout::kBand, 33);
  bar.GetSelection(SectorBarLayout::kBand, first, last);
  EXPECT_EQ(last - first, 4000u);
  EXPECT_EQ(first, 4300u);
  bar.DragBy(SectorBarLayout::kBand, 1000); // stopped at the right edge
  EXPECT_EQ(bar.Selection().right, 212);
  bar.GetSelection(SectorBarLayout::kBand, first, last);
  EXPECT_EQ(last, bar.StoredLast() - bar.StoredFirst() + first);
  EXPECT_LE(last, 20000u);

  // The left handle dragged past the right one: an empty selection there.
  bar.SetSelection(1000, 5000);
  bar.DragBy(SectorBarLayout::kLeftHandle, 500);
  EXPECT_EQ(bar.Selection().left, bar.Selection().right);
  EXPECT_EQ(bar.Selection().right, 62);
  bar.GetSelection(SectorBarLayout::kLeftHandle, first, last);
  EXPECT_EQ(first, last);
  // The right handle at the track's end is the disk's last sector.
  bar.SetSelection(0, 100);
  bar.DragBy(SectorBarLayout::kRightHandle, 1000);
  bar.GetSelection(SectorBarLayout::kRightHandle, first, last);
  EXPECT_EQ(last, 20000u);

  // A resize keeps the range and moves the handles.
  bar.SetSelection(1000, 5000);
  bar.Lay(424, 60);
  EXPECT_EQ(bar.StoredFirst(), 1000u);
  EXPECT_EQ(bar.StoredLast(), 5000u);
  EXPECT_EQ(bar.Selection().left, 12 + 20);
  EXPECT_EQ(bar.RightHandle().left, 12 + 100);

  EXPECT_EQ(bar.HitTest(50, 30), SectorBarLayout::kBand);
  EXPECT_EQ(bar.HitTest(28, 30), SectorBarLayout::kLeftHandle);
  EXPECT_EQ(bar.HitTest(300, 30), SectorBarLayout::kNone);

  // A disk of one sector: no division by zero.
  SectorBarLayout tiny;
  tiny.Lay(100, 40);
  tiny.SetTotal(1);
  tiny.GetSelection(SectorBarLayout::kNone, first, last);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(last, 0u);
}

TEST(PartListRepair, AddLocateRemoveAndWrite) {
  const auto folder = test::FreshFolder("part_list_repair");
  const auto touch = [&](const std::string& name) {
    std::ofstream(folder / name) << "x";
    return (folder / name).string();
  };
  const std::string a = touch("a.part0.qmf"), b = touch("b.part1.qmf"), c = touch("c.part2.qmf");
  PartListRepair repair;
  repair.Load({a, (folder / "gone.part1.qmf").string(), c});
  EXPECT_FALSE(repair.Complete());
  EXPECT_EQ(repair.Add(a), PartListRepair::Result::kAlreadyListed);
  EXPECT_EQ(repair.Locate(1, (folder / "nothing").string()), PartListRepair::Result::kInvalid);
  EXPECT_EQ(repair.Locate(1, b), PartListRepair::Result::kDone);
  EXPECT_TRUE(repair.Complete());
  // Removing a row and adding the file again puts it last.
  repair.Remove(0);
  EXPECT_EQ(repair.Add(a), PartListRepair::Result::kDone);
  EXPECT_EQ(repair.Paths(), (std::vector<std::string>{b, c, a}));

  const std::string list = (folder / "d.qmp").string();
  ASSERT_TRUE(WritePartList(list, repair.Paths()));
  EXPECT_EQ(ReadPartList(list), repair.Paths());
  const auto bytes = ReadFileBytes(list);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), b + "\r\n" + c + "\r\n" + a + "\r\n");
  // A folder that cannot be written leaves the old list and no stray file.
  EXPECT_FALSE(WritePartList((folder / "no_such_folder" / "d.qmp").string(), {a}));
  EXPECT_EQ(ReadPartList(list).size(), 3u);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
    ++files;
  EXPECT_EQ(files, 4u);
}

TEST(DestinationCheck, ProbeLeavesTheChosenPathAloneAndASourceFileIsRefused) {
  const auto folder = test::FreshFolder("destination_check");
  const std::string chosen = (folder / "keep.qmi").string();
  std::ofstream(chosen) << "precious";
  EXPECT_TRUE(ProbeFolderWritable(chosen));
  EXPECT_EQ(ReadFileBytes(chosen).size(), 8u);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
    ++files;
  EXPECT_EQ(files, 1u);
  EXPECT_FALSE(ProbeFolderWritable((folder / "missing" / "x.qmi").string()));
  EXPECT_GT(FreeSpaceMB(chosen), 0u);
  // A file source is overwritten only by writing the file itself.
  EXPECT_TRUE(IsOnSource(chosen, chosen));
  EXPECT_FALSE(IsOnSource((folder / "other.qmi").string(), chosen));
  EXPECT_FALSE(IsOnSource(chosen, ""));
  EXPECT_EQ(FolderOf("/a/b.qmi"), "/a");
  EXPECT_EQ(FolderOf("/b.qmi"), "/");
  EXPECT_EQ(FolderOf("b.qmi"), ".");
}

} // namespace
} // namespace qm
