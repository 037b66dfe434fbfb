// The scan-partition pages' list and layout filled from found partitions.
#include <gtest/gtest.h>

#include <memory>

#include "controls/partition_check_list.h"
#include "controls/partition_layout_view.h"
#include "fatext2/fat_partition_info.h"
#include "ntfs/ntfs_partition_info.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "wizard/pages/scan_partition_source.h"

namespace qm {
namespace {

TEST(ScanPartitionSource, DiskSourceRecommendsUpToFourAndLaysThemOut) {
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> parts;
  std::vector<ScanPartitionEntry> entries;
  auto add = [&](std::unique_ptr<CSearchedPartitionInfo> p, std::uint32_t fs, std::uint64_t start,
                 std::uint64_t n, double score, std::uint32_t level) {
    p->SetFileSystemType(fs);
    p->SetStartSector(start);
    p->SetSectorCount(n);
    p->SetFilesMatched(1000 + start % 977);
    p->SetFoldersMatched(40);
    entries.push_back({p.get(), score, level});
    parts.push_back(std::move(p));
  };
  auto ntfs = std::make_unique<CSearchedNTFSPartitionInfo>();
  ntfs->m_u64MftSector = 4096;
  add(std::move(ntfs), 3, 2048, 400000, 0.995, 1);
  auto fat = std::make_unique<CFATSearchedPartitionInfo>();
  fat->SetFlags(kFatFoundFat1 | kFatUseFat1 | kFatFoundFat2);
  add(std::move(fat), 2, 402432, 300000, 0.8, 1);
  add(std::make_unique<CSearchedPartitionInfo>(), 4, 702432, 200000, 0.4, 1);
  add(std::make_unique<CSearchedNTFSPartitionInfo>(), 3, 300000, 100000, 0.3, 2);

  const auto path = MakeSparseImage("sps_disk.img", 1000000ull * 512);
  CImageFileDevice device(path.c_str());
  CScanStateRecord record;
  record.SetKind(1);
  // Padded with blanks, as the device collection stores descriptions.
  const char name[] = "backup of sdb  ";
  std::memcpy(record.bytes.data() + 16, name, sizeof name);
  record.device = &device;

  CLostPartitionCtrlContainer container;
  container.resize(820, 460);
  container.show();
  std::vector<IntelligentPartitionResult> rows;
  SetDiskSource(container, entries, record, rows);
  CMultipleChoosePartitionListCtrl* list = container.GetListPane();
  ASSERT_EQ(list->GetCount(), 4);
  EXPECT_EQ(list->GetCheckedCount(), 3); // kinds 1 only, limit 4
  EXPECT_EQ(list->GetRowData(3), parts[3].get());
  EXPECT_EQ(container.GetLayoutPane()->Caption(),
            QStringLiteral("Partitions layout on the disk image \"backup of sdb\":"));
  EXPECT_EQ(container.GetLayoutView()->Rows().Rows().size(), 1u);
  EXPECT_EQ(rows[2].lastSector, 702432u + 200000 - 1);
  test::SaveToGallery(container, QStringLiteral("wizard_scan_partitions_page8"));

  // The same entries from a volume: mode 1 recommends the best one only.
  DeviceListItem volume;
  volume.driveLetter = 'E';
  std::strcpy(volume.volumeLabel, "DATA");
  volume.fileSystemType = 3;
  SetVolumeSource(container, entries, volume, rows);
  EXPECT_EQ(container.GetListPane()->GetCheckedCount(), 1);
  EXPECT_EQ(entries[0].level, 1u);
  EXPECT_EQ(entries[1].level, 0u);
  EXPECT_EQ(container.GetLayoutPane()->Caption(),
            QStringLiteral("Partitions layout on the partition \"E : DATA  (NTFS)\":"));
  test::SaveToGallery(container, QStringLiteral("wizard_scan_partitions_page7"));
}

} // namespace
} // namespace qm
