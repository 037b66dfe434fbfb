#include "storage/volume_analyzer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "storage/partition_search_callbacks.h"
#include "support/memory_device.h"

namespace {

// An analyser that recognises its type where sector `start` begins with
// its marker byte.
class MarkerVolume : public IVolume {
public:
  MarkerVolume(IStorageDevice* device, std::uint64_t start, std::uint8_t marker, int type, const char* label)
      : label_(label) {
    std::uint8_t sector[512] = {};
    if (device != nullptr && device->ReadSectors(sector, start, 1) && sector[0] == marker) type_ = type;
  }
  int GetFileSystemType() override { return type_; }
  std::uint64_t GetSectorCount() override { return type_ == 7 ? 0 : 1000; }
  void GetLabel(char* buffer, int length) override {
    std::memset(buffer, 0, static_cast<std::size_t>(length));
    if (type_ != 7) std::strncpy(buffer, label_.c_str(), static_cast<std::size_t>(length) - 1);
  }

private:
  int type_ = 7;
  std::string label_;
};

TEST(VolumeAnalyzerList, FindRecognizedWithRegisteredAnalysers) {
  qm::ScopedVolumeAnalyzers restore;
  qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Ntfs, [](IStorageDevice* d, std::uint64_t s) {
    return std::make_unique<MarkerVolume>(d, s, 'N', 3, "ntfs");
  });
  qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Fat, [](IStorageDevice* d, std::uint64_t s) {
    return std::make_unique<MarkerVolume>(d, s, 'F', 2, "fat");
  });
  qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Ext2, [](IStorageDevice* d, std::uint64_t s) {
    return std::make_unique<MarkerVolume>(d, s, 'E', 4, "ext");
  });
  qm::MemoryDevice disk(16, 512);
  disk.sector(1)[0] = 'N';
  disk.sector(2)[0] = 'F';
  disk.sector(3)[0] = 'E';
  struct Case {
    std::uint64_t start;
    int type;
    const char* label;
  } cases[] = {{1, 3, "ntfs"}, {2, 2, "fat"}, {3, 4, "ext"}, {0, 7, ""}, {99, 7, ""}};
  for (const Case& c : cases) {
    CVolumeAnalyzerList list;
    list.Analyze(&disk, c.start);
    ASSERT_EQ(list.GetCount(), 3u);
    IVolume* found = list.FindRecognized();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetFileSystemType(), c.type) << c.start;
    char label[100];
    found->GetLabel(label, sizeof label);
    EXPECT_STREQ(label, c.label);
    // Nothing recognised: the last analyser (the EXT2 slot) answers.
    if (c.type == 7) {
      EXPECT_EQ(found, list.GetAt(2));
    }
  }
}

TEST(VolumeAnalyzerList, EmptySlotsRecogniseNothingAndAnEmptyListGivesNull) {
  qm::ScopedVolumeAnalyzers restore;
  for (auto slot : {qm::VolumeAnalyzerSlot::Ntfs, qm::VolumeAnalyzerSlot::Fat, qm::VolumeAnalyzerSlot::Ext2})
    qm::RegisterVolumeAnalyzer(slot, {});
  CVolumeAnalyzerList empty;
  EXPECT_EQ(empty.FindRecognized(), nullptr);
  qm::MemoryDevice disk(4, 512);
  CVolumeAnalyzerList list;
  list.Analyze(&disk, 0);
  ASSERT_EQ(list.GetCount(), 3u);
  IVolume* found = list.FindRecognized();
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetFileSystemType(), 7);
  EXPECT_EQ(found->GetSectorCount(), 0u);
  char label[10];
  std::memset(label, 'x', sizeof label);
  found->GetLabel(label, sizeof label);
  EXPECT_EQ(label[0], 0);
  EXPECT_EQ(label[9], 0);
}

TEST(LostPartitionRecord, ANewRecordAndACopy) {
  LostPartitionRecord record;
  EXPECT_EQ(record.fileSystemType, 7u);
  EXPECT_EQ(record.partitionDevice, nullptr);
  EXPECT_EQ(record.volumeLabel[99], 0);
  record.startSector = 63;
  std::strcpy(record.volumeLabel, "DATA");
  const LostPartitionRecord copy = record;
  EXPECT_EQ(copy.startSector, 63u);
  EXPECT_STREQ(copy.volumeLabel, "DATA");
  record.Reset();
  EXPECT_EQ(record.startSector, 0u);
  EXPECT_EQ(record.fileSystemType, 7u);
  EXPECT_EQ(record.volumeLabel[0], 0);
}

} // namespace
