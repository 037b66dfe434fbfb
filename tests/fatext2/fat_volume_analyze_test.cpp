// The FAT volume analyser over the real fixture volumes: type, size and the
// label of the root directory's label entry, also through the volume
// analyser list once registered; and what it says of sectors that are no
// FAT volume.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fat_fixture.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_volume_analyze.h"
#include "storage/image_file_device.h"
#include "storage/volume_analyzer.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

using qm::test::GetFatFixture;

std::string LabelOf(IVolume& volume) {
  char label[CFatVolumeAnalyze::kLabelBytes + 1] = {};
  volume.GetLabel(label, CFatVolumeAnalyze::kLabelBytes);
  return label;
}

TEST(FatVolumeAnalyze, TypeSizeAndLabelOfEachFixture) {
  qm::ScopedVolumeAnalyzers restore;
  qm::RegisterFatVolumeAnalyzer();
  for (int type : {kFatType12, kFatType16, kFatType32}) {
    const auto& fixture = GetFatFixture(type);
    CImageFileDevice device(fixture.image.c_str());
    ASSERT_TRUE(device.Open());
    CFatVolumeAnalyze volume(&device, 0);
    EXPECT_EQ(volume.GetFileSystemType(), type);
    EXPECT_EQ(volume.GetSectorCount(), std::filesystem::file_size(fixture.image) / 512) << type;
    EXPECT_EQ(LabelOf(volume), fixture.label) << type;

    CVolumeAnalyzerList list;
    list.Analyze(&device, 0);
    IVolume* found = list.FindRecognized();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetFileSystemType(), type);
    EXPECT_EQ(LabelOf(*found), fixture.label);
  }
}

TEST(FatVolumeAnalyze, TheLabelEntryIsFoundPastTheFirstClusterOfAFat32Root) {
  // The label moved to the second cluster of a two-cluster root, the first
  // one filled with deleted entries: the root's chain must be followed.
  auto bytes = qm::ReadFileBytes(GetFatFixture(kFatType32).image);
  const CFATDBR dbr(qm::ByteView(bytes.data(), 512), 512);
  const std::uint64_t fatStart = dbr.GetReservedSectors();
  const std::uint64_t dataStart = fatStart + 2 * std::uint64_t{dbr.GetSectorsPerFat()};
  const std::uint32_t root = dbr.GetRootCluster();
  // A free cluster near the end of the volume joins the root's chain.
  const std::uint32_t spare = (dbr.GetTotalSectors() - dataStart) / dbr.GetSectorsPerCluster();
  auto fatEntry = [&](std::uint64_t copy, std::uint32_t cluster) {
    return bytes.data() + (fatStart + copy * dbr.GetSectorsPerFat()) * 512 + cluster * 4;
  };
  for (std::uint64_t copy : {0u, 1u}) {
    qm::StoreLe32(fatEntry(copy, root), spare);
    qm::StoreLe32(fatEntry(copy, spare), 0x0FFFFFFF);
  }
  std::uint8_t* rootBytes = bytes.data() + dataStart * 512;
  std::uint8_t* spareBytes = bytes.data() + (dataStart + std::uint64_t{spare - 2} * dbr.GetSectorsPerCluster()) * 512;
  const std::size_t clusterBytes = dbr.GetSectorsPerCluster() * 512;
  std::memcpy(spareBytes, rootBytes, clusterBytes);
  // Deleted copies of the label entry fill the first cluster.
  for (std::size_t at = 0; at < clusterBytes; at += 32) {
    std::memcpy(rootBytes + at, spareBytes, 32);
    rootBytes[at] = 0xE5;
  }
  qm::MemoryDevice device(std::move(bytes));
  CFatVolumeAnalyze volume(&device, 0);
  EXPECT_EQ(volume.GetFileSystemType(), kFatType32);
  EXPECT_EQ(LabelOf(volume), GetFatFixture(kFatType32).label);
}

TEST(FatVolumeAnalyze, NothingIsReportedWhereThereIsNoFatVolume) {
  qm::MemoryDevice zeros(64, 512);
  CFatVolumeAnalyze onZeros(&zeros, 0);
  EXPECT_EQ(onZeros.GetFileSystemType(), 7);
  EXPECT_EQ(onZeros.GetSectorCount(), 0u);
  EXPECT_EQ(LabelOf(onZeros), "");
  // Past the device's end the read fails.
  CFatVolumeAnalyze pastEnd(&zeros, 1000);
  EXPECT_EQ(pastEnd.GetFileSystemType(), 7);
  CFatVolumeAnalyze noDevice(nullptr, 0);
  EXPECT_EQ(noDevice.GetFileSystemType(), 7);
}

} // namespace
