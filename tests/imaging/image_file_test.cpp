// The image files' names and header fields: part and part-list names, the
// sector-size field, the part table as parts are finished and its limit,
// and block locations from hostile table entries.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "image_test_support.h"
#include "imaging/image_file.h"
#include "platform/byte_view.h"
#include "support/scratch_files.h"

namespace qm::image {
namespace {

TEST(ImageFileNames, PartAndPartListNames) {
  struct Row {
    const char* index;
    std::uint32_t part;
    const char* partName;
    const char* listName;
  };
  const Row rows[] = {
      {"/img/disk1.qmi", 0, "/img/disk1.part0.qmf", "/img/disk1.qmp"},
      {"/img/disk1.qmi", 12, "/img/disk1.part12.qmf", "/img/disk1.qmp"},
      {"/a.b/disk.qmi", 0, "/a.b/disk.part0.qmf", "/a.b/disk.qmp"},
      {"/img/x.y.qmi", 3, "/img/x.y.part3.qmf", "/img/x.y.qmp"},
      // No "." in the name: a "." in a folder name must not be cut at.
      {"/a.b/disk", 1, "/a.b/disk.part1.qmf", "/a.b/disk.qmp"},
      {"disk", 0, "disk.part0.qmf", "disk.qmp"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    EXPECT_EQ(MakePartFileName(row.index, row.part), row.partName);
    EXPECT_EQ(PartListPath(row.index), row.listName);
  }
  EXPECT_EQ(StripLineEnd("/p/a.part0.qmf\r\n"), "/p/a.part0.qmf");
  EXPECT_EQ(StripLineEnd("/p/a.part0.qmf\n"), "/p/a.part0.qmf");
  // A last line without its line end keeps every character.
  EXPECT_EQ(StripLineEnd("/p/a.part0.qmf"), "/p/a.part0.qmf");
  EXPECT_EQ(StoredBound(131072), 131334u);
}

TEST(ImageFileHeader, SectorSizeFieldAndDescription) {
  const auto folder = test::FreshFolder("image_header");
  const std::string path = (folder / "h.qmi").string();
  const std::pair<std::uint32_t, std::uint32_t> rows[] = {
      {520, 512}, {0, 512}, {8192, 512}, {0xFFFFFE00u, 512}, {1024, 1024}, {4096, 4096}, {512, 512}};
  for (const auto& [field, expected] : rows) {
    SCOPED_TRACE(field);
    {
      CImageFile writer(path);
      ASSERT_TRUE(writer.OpenIndex(CPlainFile::kCreateAlways));
      ASSERT_TRUE(writer.WriteHeader(std::string(300, 'x'), 7, 2, field));
    }
    CImageFile reader(path);
    ASSERT_TRUE(reader.OpenIndex(CPlainFile::kRead));
    EXPECT_EQ(reader.GetSectorSize(), expected);
    EXPECT_EQ(reader.GetCompressionType(), 2u);
    EXPECT_EQ(reader.GetSourceDeviceType(), 7u);
    // At most 255 characters survive; byte 255 is always 0.
    EXPECT_EQ(reader.GetSourceDescription(), std::string(255, 'x'));
  }
  // An index that is not there reads as the defaults.
  CImageFile missing((folder / "none.qmi").string());
  EXPECT_FALSE(missing.OpenIndex(CPlainFile::kRead));
  EXPECT_EQ(missing.GetSectorSize(), 512u);
  EXPECT_EQ(missing.GetTotalBlocks(), 0u);
  EXPECT_EQ(missing.GetSourceDeviceType(), kUnknownSourceType);
  std::uint32_t length = 1;
  EXPECT_EQ(missing.GetBlockLocation(0, true, 131072, length), -1);
}

TEST(ImageFileHeader, PartTableAndItsLimit) {
  const auto folder = test::FreshFolder("image_part_table");
  const std::string path = (folder / "t.qmi").string();
  CImageFile file(path);
  ASSERT_TRUE(file.OpenIndex(CPlainFile::kCreateAlways));
  ASSERT_TRUE(file.UpdatePartTable(1, 10, 1000));
  ASSERT_TRUE(file.UpdatePartTable(2, 10, 1000));
  ASSERT_TRUE(file.UpdatePartTable(3, 4, 400));
  EXPECT_EQ(file.GetPartCount(), 3u);
  EXPECT_EQ(file.GetTotalBlocks(), 24u);
  EXPECT_EQ(file.GetPartBlockCounts(3), (std::vector<std::uint32_t>{10, 10, 4}));
  // 58 parts fill the table; a 59th would write over the word at 508.
  for (std::uint32_t p = 4; p <= kMaxParts; ++p) {
    ASSERT_TRUE(file.UpdatePartTable(p, 1, 1));
  }
  EXPECT_FALSE(file.UpdatePartTable(59, 1, 1));
  const auto bytes = ReadFileBytes(path);
  ASSERT_GE(bytes.size(), kHeaderSize);
  EXPECT_EQ(ByteView(bytes.data(), bytes.size()).le32(508), 0u);
  EXPECT_EQ(file.GetPartCount(), kMaxParts);
}

TEST(ImageFileHeader, BlockLocationsFromHostileEntries) {
  const auto folder = test::FreshFolder("image_locations");
  const std::string path = (folder / "l.qmi").string();
  CImageFile file(path);
  ASSERT_TRUE(file.OpenIndex(CPlainFile::kCreateAlways));
  // Part 0: blocks of 100, 200 and 50 stored bytes; part 1 begins with 131072.
  const std::uint32_t ends[] = {100, 300, 350, 131072, 131000, 131072 + 131334 + 1, 0xFFFFFFFFu};
  for (std::uint32_t n = 0; n < std::size(ends); ++n) {
    ASSERT_TRUE(file.WriteBlockEnd(n, ends[n]));
  }
  struct Row {
    std::uint32_t block;
    bool first;
    std::int64_t offset;
    std::uint32_t length;
  };
  const Row rows[] = {
      {0, true, 512, 100},
      {1, false, 612, 200},
      {2, false, 812, 50},
      // The first block of a part, told by the part table: its bytes
      // start at 512 even though its entry is above the last one.
      {3, true, 512, 131072},
      // An end below the previous end inside a part: unreadable.
      {4, false, -1, 0},
      // A length past the bound: unreadable.
      {5, false, -1, 0},
      {6, true, -1, 0},
      // Past the end of the table.
      {100, false, -1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.block);
    std::uint32_t length = 7;
    EXPECT_EQ(file.GetBlockLocation(row.block, row.first, 131072, length), row.offset);
    EXPECT_EQ(length, row.length);
  }
}

TEST(ImageFilePartList, ReadModeOpensListedPartsOnly) {
  const auto folder = test::FreshFolder("image_part_list");
  const std::string index = (folder / "p.qmi").string();
  {
    CImageFile writer(index);
    ASSERT_TRUE(writer.OpenIndex(CPlainFile::kCreateAlways));
    ASSERT_TRUE(writer.OpenPartList(CPlainFile::kCreateAlways));
    ASSERT_TRUE(writer.OpenPart(index, 0, CPlainFile::kCreateAlways));
    ASSERT_TRUE(writer.WriteAt("zero", 512, 4, CImageFile::kPartFile));
    ASSERT_TRUE(writer.OpenPart(index, 1, CPlainFile::kCreateAlways));
    ASSERT_TRUE(writer.WriteAt("one!", 512, 4, CImageFile::kPartFile));
  }
  EXPECT_EQ(ReadFileBytes(PartListPath(index)).size(),
            MakePartFileName(index, 0).size() + MakePartFileName(index, 1).size() + 4);
  CImageFile reader(index);
  ASSERT_TRUE(reader.OpenIndex(CPlainFile::kRead));
  char got[5] = {};
  ASSERT_TRUE(reader.OpenPart(index, 1, CPlainFile::kRead));
  ASSERT_EQ(reader.ReadAt(got, 512, 4, CImageFile::kPartFile), 4u);
  EXPECT_STREQ(got, "one!");
  // The open part again: no file is touched (the list may even be gone).
  std::filesystem::rename(PartListPath(index), PartListPath(index) + ".away");
  EXPECT_TRUE(reader.OpenPart(index, 1, CPlainFile::kRead));
  std::filesystem::rename(PartListPath(index) + ".away", PartListPath(index));
  ASSERT_TRUE(reader.OpenPart(index, 0, CPlainFile::kRead));
  ASSERT_EQ(reader.ReadAt(got, 512, 4, CImageFile::kPartFile), 4u);
  EXPECT_STREQ(got, "zero");
  // A list of two lines has no part 2.
  EXPECT_FALSE(reader.OpenPart(index, 2, CPlainFile::kRead));
}

} // namespace
} // namespace qm::image
