#include "storage/volume_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "storage/volume_analyzer.h"
#include "support/memory_device.h"

namespace {

TEST(VolumeNames, FileSystemAndDynamicVolumeTypeNames) {
  const char* const fs[] = {"FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3", "UNKNOWN", "UNKNOWN"};
  for (int code = 0; code < 8; ++code) {
    char buffer[20];
    std::memset(buffer, 'x', sizeof buffer);
    GetVolumeFileSystemName(code, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, fs[code]) << code;
  }
  char buffer[20];
  for (int code : {-1, 255, 1 << 30}) {
    GetVolumeFileSystemName(code, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "UNKNOWN") << code;
  }
  const struct {
    int type;
    const char* name;
  } dynamic[] = {{0, "UNKNOWN"},  {1, "UNKNOWN"}, {2, "SIMPLE"},  {3, "MIRROR"},  {4, "SPANNED"},
                 {5, "STRIPPED"}, {6, "RAID5"},   {7, "UNKNOWN"}, {-2, "UNKNOWN"}};
  for (const auto& row : dynamic) {
    GetDynamicVolumeTypeName(row.type, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, row.name) << row.type;
  }
  // A short buffer gets a cut, terminated text; none at all is left alone.
  char shortBuffer[4] = {'x', 'x', 'x', 'x'};
  GetVolumeFileSystemName(0, shortBuffer, sizeof shortBuffer);
  EXPECT_STREQ(shortBuffer, "FAT");
  GetDynamicVolumeTypeName(5, shortBuffer, 1);
  EXPECT_STREQ(shortBuffer, "");
  GetVolumeFileSystemName(0, nullptr, 20);
}

TEST(VolumeNames, MbrPartitionTypes) {
  int expected[256];
  for (int& e : expected)
    e = 7;
  for (int t : {0x01, 0x11})
    expected[t] = 0;
  for (int t : {0x04, 0x06, 0x0E, 0x14, 0x16, 0x1E})
    expected[t] = 1;
  for (int t : {0x0B, 0x0C, 0x1B})
    expected[t] = 2;
  for (int t : {0x07, 0x17})
    expected[t] = 3;
  for (int t : {0x82, 0x83, 0x85, 0x8E, 0x92, 0x93})
    expected[t] = 4;
  for (int t = 0; t < 256; ++t)
    EXPECT_EQ(GetMbrTypeFileSystem(static_cast<std::uint8_t>(t)), expected[t]) << t;
}

TEST(VolumeNames, BootSectorFileSystemAsksFatFirstThenNtfs) {
  qm::ScopedVolumeAnalyzers restore;
  // Byte 0 of the test sectors says what each family sees there.
  qm::RegisterBootSectorClassifier(qm::VolumeAnalyzerSlot::Fat, [](qm::ByteView s, std::uint32_t bps) {
    return s.size() == bps && s.u8(0) <= 2 ? static_cast<int>(s.u8(0)) : 7;
  });
  qm::RegisterBootSectorClassifier(qm::VolumeAnalyzerSlot::Ntfs, [](qm::ByteView s, std::uint32_t) {
    return s.u8(0) == 3 || s.u8(0) == 9 ? 3 : 7;
  });
  std::vector<std::uint8_t> sector(4096);
  for (const auto& [marker, expected] :
       std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 7}, {9, 3}}) {
    sector[0] = static_cast<std::uint8_t>(marker);
    EXPECT_EQ(GetBootSectorFileSystem(sector.data(), 512), expected) << marker;
    EXPECT_EQ(GetBootSectorFileSystem(sector.data(), 4096), expected) << marker;
  }
  EXPECT_EQ(GetBootSectorFileSystem(sector.data(), 256), 7);
  EXPECT_EQ(GetBootSectorFileSystem(nullptr, 512), 7);
  // Without registered tests nothing is recognised.
  qm::RegisterBootSectorClassifier(qm::VolumeAnalyzerSlot::Fat, {});
  qm::RegisterBootSectorClassifier(qm::VolumeAnalyzerSlot::Ntfs, {});
  sector[0] = 1;
  EXPECT_EQ(GetBootSectorFileSystem(sector.data(), 512), 7);
}

// Recognises its family where sector 0 begins with its marker, with the
// label that follows the marker.
class MarkedVolume : public IVolume {
public:
  MarkedVolume(IStorageDevice* device, std::uint64_t start, char marker, int type) {
    std::uint8_t sector[512] = {};
    if (!device->ReadSectors(sector, start, 1) || sector[0] != marker) return;
    type_ = type;
    std::memcpy(label_, sector + 1, 99);
  }
  int GetFileSystemType() override { return type_; }
  std::uint64_t GetSectorCount() override { return 0; }
  void GetLabel(char* buffer, int length) override {
    std::memcpy(buffer, label_, std::min<std::size_t>(100, static_cast<std::size_t>(length)));
  }

private:
  int type_ = 7;
  char label_[100] = {};
};

TEST(VolumeNames, ReadVolumeLabelAsksTheAnalyserOfTheTypesFamily) {
  qm::ScopedVolumeAnalyzers restore;
  qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Fat, [](IStorageDevice* d, std::uint64_t s) {
    return std::make_unique<MarkedVolume>(d, s, 'F', 1);
  });
  qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Ntfs, [](IStorageDevice* d, std::uint64_t s) {
    return std::make_unique<MarkedVolume>(d, s, 'N', 3);
  });
  qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Ext2, [](IStorageDevice* d, std::uint64_t s) {
    return std::make_unique<MarkedVolume>(d, s, 'E', 4);
  });
  const struct {
    char marker;
    int type;
    int result;
    const char* label;
  } cases[] = {
      {'F', 0, 1, "LABEL"}, {'F', 1, 1, "LABEL"}, {'F', 2, 1, "LABEL"}, {'F', 3, 0, ""}, {'N', 3, 1, "LABEL"},
      {'N', 2, 0, ""},      {'E', 4, 0, ""},      {'E', 5, 0, ""},      {'F', 7, 0, ""}, {'F', -1, 0, ""},
  };
  for (const auto& c : cases) {
    qm::MemoryDevice volume(4, 512);
    volume.sector(0)[0] = static_cast<std::uint8_t>(c.marker);
    std::memcpy(volume.sector(0) + 1, "LABEL", 5);
    char label[100];
    std::memset(label, 'x', sizeof label);
    EXPECT_EQ(ReadVolumeLabel(&volume, c.type, label, sizeof label), c.result) << c.marker << c.type;
    EXPECT_STREQ(label, c.label) << c.marker << c.type;
  }
  // A label that fills the analyser's 100 bytes comes back terminated.
  qm::MemoryDevice volume(4, 512);
  volume.sector(0)[0] = 'N';
  std::memset(volume.sector(0) + 1, 'A', 120);
  char label[10];
  EXPECT_EQ(ReadVolumeLabel(&volume, 3, label, sizeof label), 1);
  EXPECT_EQ(std::string(label), std::string(9, 'A'));
  EXPECT_EQ(ReadVolumeLabel(nullptr, 3, label, sizeof label), 0);
}

} // namespace
