// The EXT2 volume analyser on real volumes: type, size and label, through
// the registered analyser list too, and nothing on what is not EXT2.
#include <gtest/gtest.h>

#include <cstring>

#include "fatext2/ext2_fixture.h"
#include "fatext2/ext2_volume_analyze.h"
#include "storage/image_file_device.h"
#include "support/memory_device.h"

using namespace qm::test;

namespace {

TEST(Ext2VolumeAnalyze, ReportsTypeSizeAndLabel) {
  struct Case {
    Ext2Layout layout;
    int type;
    const char* label;
  } cases[] = {
      {Ext2Layout::Ext2Blocks1K, 4, "ext2label"},
      {Ext2Layout::Ext3Blocks4K, 5, "journalled"},
      {Ext2Layout::Ext2Revision0, 4, ""},
  };
  for (const auto& c : cases) {
    const Ext2Image& image = GetExt2Image(c.layout);
    ASSERT_FALSE(image.path.empty());
    CImageFileDevice device(image.path.c_str());
    CExt2Volume volume(&device, 0);
    EXPECT_EQ(volume.GetFileSystemType(), c.type) << c.label;
    EXPECT_EQ(volume.GetSectorCount(), std::filesystem::file_size(image.path) / 512) << c.label;
    char label[64];
    std::memset(label, 'x', sizeof label);
    volume.GetLabel(label, sizeof label);
    EXPECT_STREQ(label, c.label);
  }
}

TEST(Ext2VolumeAnalyze, LabelIsCutToTheBufferAndAlwaysTerminated) {
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext2Blocks1K);
  CImageFileDevice device(image.path.c_str());
  CExt2Volume volume(&device, 0);
  char label[5] = {'a', 'b', 'c', 'd', 'e'};
  volume.GetLabel(label, 5);
  EXPECT_STREQ(label, "ext2");
  char untouched = 'z';
  volume.GetLabel(&untouched, 0);
  EXPECT_EQ(untouched, 'z');
}

TEST(Ext2VolumeAnalyze, DevicesOfLargerSectorsCountTheirOwnSectors) {
  // The same volume behind 4096-byte sectors, starting at device sector 3.
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext3Blocks4K);
  std::vector<std::uint8_t> bytes(3 * 4096, 0);
  const auto content = image.Bytes();
  bytes.insert(bytes.end(), content.begin(), content.end());
  qm::MemoryDevice device(std::move(bytes), 4096);
  CExt2Volume volume(&device, 3);
  EXPECT_EQ(volume.GetFileSystemType(), 5);
  EXPECT_EQ(volume.GetSectorCount(), content.size() / 4096);
}

TEST(Ext2VolumeAnalyze, AnythingElseIsUnknownWithNoLabelOrSize) {
  qm::MemoryDevice zeros(4096, 512);
  CExt2Volume none(&zeros, 0);
  EXPECT_EQ(none.GetFileSystemType(), 7);
  EXPECT_EQ(none.GetSectorCount(), 0u);
  char label[8] = "junk";
  none.GetLabel(label, sizeof label);
  EXPECT_STREQ(label, "");
  // A start past the device's end.
  CExt2Volume past(&zeros, 1ull << 62);
  EXPECT_EQ(past.GetFileSystemType(), 7);
  CExt2Volume null(nullptr, 0);
  EXPECT_EQ(null.GetFileSystemType(), 7);
}

TEST(Ext2VolumeAnalyze, TheRegisteredListNamesTheVolume) {
  qm::ScopedVolumeAnalyzers restore;
  qm::RegisterExt2VolumeAnalyzer();
  const Ext2Image& image = GetExt2Image(Ext2Layout::Ext3Blocks4K);
  CImageFileDevice device(image.path.c_str());
  CVolumeAnalyzerList list;
  list.Analyze(&device, 0);
  IVolume* found = list.FindRecognized();
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetFileSystemType(), 5);
  char label[100] = {};
  found->GetLabel(label, sizeof label);
  EXPECT_STREQ(label, "journalled");
}

} // namespace
