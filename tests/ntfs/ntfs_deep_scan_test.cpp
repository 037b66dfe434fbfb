// The NTFS deep scan end to end on real volumes: a whole sweep through the
// intelligent search, the candidates weighed and ranked, and the tree of
// the best one built by the lost-partition build and copied out. The
// volumes: the committed fixture as it is, on a disk whose partition entry
// is gone and whose boot sector is zeroed, quick-formatted again with new
// files written over it (both made here with sfdisk, mkntfs and ntfscp),
// and two volumes whose $MFT lies in several fragments, one of them on
// 4096-byte sectors (committed, made by make_ntfs_deep_fixtures.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "ntfs/ntfs_fixture.h"
#include "ntfs/ntfs_partition_info.h"
#include "ntfs/ntfs_search_controller.h"
#include "storage/image_file_device.h"
#include "storage/intelligent_search.h"
#include "storage/intelligent_search_score.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"
#include "support/sha256.h"
#include "tree_build_support.h"

namespace fs = std::filesystem;
using qm::test::NtfsManifestEntry;

namespace {

// The candidates of a whole sweep by the NTFS controller alone, weighed and
// ranked as the wizard ranks them, best first.
struct SweepResult {
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> ranked;
  SearchStatistics statistics;
  CSearchedNTFSPartitionInfo* Best() const {
    return ranked.empty() ? nullptr : dynamic_cast<CSearchedNTFSPartitionInfo*>(ranked.front().get());
  }
};

SweepResult Sweep(CNTFSSearchController& controller, IStorageDevice& device) {
  SweepResult result;
  {
    CIntelligentSearchController search;
    search.SetDevice(&device);
    search.AddEntry(&controller);
    EXPECT_EQ(search.Start(nullptr), 1);
    result.statistics = search.GetStatistics();
  }
  std::vector<CSearchedPartitionInfo*> found;
  controller.GetFoundPartitions(found);
  CIntelligentSearchScore::ComputeWeights(found);
  std::stable_sort(found.begin(), found.end(), [](const CSearchedPartitionInfo* a, const CSearchedPartitionInfo* b) {
    return a->GetWeight() > b->GetWeight();
  });
  CIntelligentSearchScore::Rank(found, device.GetSectorCount());
  for (CSearchedPartitionInfo* p : found) result.ranked.emplace_back(p);
  return result;
}

struct TreeGuard {
  CFileNode* root = nullptr;
  ~TreeGuard() { DeleteFileTree(root); }
};

// Copies the whole tree out and checks every file of the list at its path
// (under the root's folder), byte for byte. Returns the files checked.
std::size_t ExpectFilesCopyOut(CFileNode* root, IStorageDevice& device, const std::vector<NtfsManifestEntry>& files,
                               const std::string& scratch) {
  auto* volume = static_cast<CFileSystemNode*>(root);
  volume->ToggleCheck(root, 0);
  const fs::path target = qm::ScratchPath(scratch);
  fs::remove_all(target);
  qm::SaveContext context{nullptr, &device};
  std::string created;
  EXPECT_EQ(SaveCheckedTree(context, root, target.string(), &created), qm::kSaveDone);
  std::size_t checked = 0;
  for (const NtfsManifestEntry& entry : files) {
    const fs::path path = fs::path(created) / fs::u8path(entry.path);
    if (!fs::exists(path)) {
      ADD_FAILURE() << "missing " << entry.path;
      continue;
    }
    EXPECT_EQ(qm::test::Sha256Hex(qm::ReadFileBytes(path)), entry.sha256) << entry.path;
    ++checked;
  }
  fs::remove_all(target);
  return checked;
}

// The live files of a manifest, each at the path the tree shows it: a
// recycled data file carries the name it had before it was deleted.
std::vector<NtfsManifestEntry> Files(const std::vector<NtfsManifestEntry>& manifest) {
  std::vector<NtfsManifestEntry> files;
  for (auto e : manifest) {
    if (e.kind != "file") continue;
    if (e.Has("recycled") && e.Name().rfind("$R", 0) == 0)
      e.path = fs::path(e.path).parent_path().string() + "/Quarterly report.docx";
    files.push_back(e);
  }
  return files;
}

std::string FileSha256(const fs::path& path) { return qm::test::Sha256Hex(qm::ReadFileBytes(path)); }

} // namespace

TEST(NtfsDeepScan, IntactVolumeRanksFirstWithBothBootSectorsAndTheMftPair) {
  const fs::path image = qm::test::NtfsBasicImagePath();
  const std::string before = FileSha256(image);
  CImageFileDevice device(image.c_str());
  ASSERT_EQ(device.Open(), 1);
  CNTFSSearchController controller;
  const SweepResult sweep = Sweep(controller, device);
  CSearchedNTFSPartitionInfo* best = sweep.Best();
  ASSERT_NE(best, nullptr);
  EXPECT_EQ(best->GetStartSector(), 0u);
  EXPECT_EQ(best->GetSectorsPerCluster(), 8);
  const std::uint32_t flags = best->m_nFoundFlags;
  EXPECT_EQ(flags & (qm::kFoundFirstBoot | qm::kFoundLastBoot), qm::kFoundFirstBoot | qm::kFoundLastBoot);
  EXPECT_NE(flags & qm::kFoundMftPair, 0u);
  EXPECT_EQ(flags & qm::kFoundSingleMft, 0u) << "the pair replaces the single $MFT reading";
  EXPECT_EQ(best->m_u64TotalClusters, (device.GetSectorCount() - 1) / 8);
  EXPECT_NE(best->m_u64MftSector, CSearchedNTFSPartitionInfo::kUnknown);
  EXPECT_GE(best->m_u64UpCaseMatches, 256u);
  EXPECT_GE(best->m_u64AttrDefMatches, 5u);
  EXPECT_GE(best->GetScore(), 20u + 30u + 20u);
  EXPECT_EQ(best->m_bUseMft, 1u);
  EXPECT_GE(sweep.statistics.NTFSBootRecords, 2u);
  EXPECT_GE(sweep.statistics.NTFSFileRecords, 2000u);
  // No candidate at the backup boot sector's own position, and none left
  // for the backup reading of the first boot sector.
  for (const auto& p : sweep.ranked) {
    auto* c = dynamic_cast<CSearchedNTFSPartitionInfo*>(p.get());
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->GetStartSector() == device.GetSectorCount() - 1 && (c->m_nFoundFlags & qm::kFoundFirstBoot))
        << "a backup boot sector is no volume start";
  }

  TreeGuard tree;
  tree.root = controller.BuildTree(best, &device, 0, nullptr);
  ASSERT_NE(tree.root, nullptr);
  EXPECT_GE(ExpectFilesCopyOut(tree.root, device, Files(qm::test::NtfsBasicManifest()), "ntfs_deep_intact"), 20u);
  device.Close();
  EXPECT_EQ(FileSha256(image), before) << "the scan never writes to its source";
}

TEST(NtfsDeepScan, PartitionWithoutEntryOrBootSectorIsFoundAtItsStartAndItsFilesComeBack) {
  // A disk whose NTFS partition lies at sector 2048: sfdisk writes the
  // table, the volume goes in, then its boot sector is zeroed and its
  // entry deleted.
  const std::vector<std::uint8_t>& volume = qm::test::NtfsBasicImage();
  const std::uint64_t volumeSectors = volume.size() / 512;
  const std::uint64_t start = 2048;
  const std::uint64_t diskBytes = (start + volumeSectors + 4096) * 512;
  const fs::path disk = qm::MakeSparseImage("ntfs_deep_lost_partition.img", diskBytes);
  ASSERT_EQ(qm::RunCommand("printf 'label: dos\\nstart=2048,size=" + std::to_string(volumeSectors) +
                           ",type=7\\n' | sfdisk -q " + disk.string() + " >/dev/null 2>&1"),
            0);
  qm::WriteFileBytes(disk, start * 512, volume);
  qm::WriteFileBytes(disk, start * 512, std::vector<std::uint8_t>(512, 0));
  ASSERT_EQ(qm::RunCommand("sfdisk -q --delete " + disk.string() + " 1 >/dev/null 2>&1"), 0);
  const std::vector<std::uint8_t> mbr = qm::ReadFileBytes(disk);
  ASSERT_EQ(std::count(mbr.begin() + 446, mbr.begin() + 510, 0), 64) << "no partition entry is left";
  const std::string before = FileSha256(disk);

  CImageFileDevice device(disk.c_str());
  ASSERT_EQ(device.Open(), 1);
  CNTFSSearchController controller;
  const SweepResult sweep = Sweep(controller, device);
  CSearchedNTFSPartitionInfo* best = sweep.Best();
  ASSERT_NE(best, nullptr);
  EXPECT_EQ(best->GetStartSector(), start);
  EXPECT_EQ(best->GetSectorsPerCluster(), 8);
  // The $MFT pair places it; $Bitmap gives its size, the whole partition.
  EXPECT_NE(best->m_nFoundFlags & qm::kFoundMftPair, 0u);
  EXPECT_EQ(best->m_nFoundFlags & qm::kFoundFirstBoot, 0u);
  EXPECT_EQ(best->GetSectorCount(), volumeSectors);
  EXPECT_EQ(best->m_u64SectorsFromSystemFiles, volumeSectors);
  // The backup boot sector places it too, with the size it names (all
  // sectors but its own).
  const auto fromBackup = std::find_if(sweep.ranked.begin(), sweep.ranked.end(), [&](const auto& p) {
    auto* c = dynamic_cast<CSearchedNTFSPartitionInfo*>(p.get());
    return c != nullptr && (c->m_nFoundFlags & qm::kFoundLastBoot) != 0;
  });
  ASSERT_NE(fromBackup, sweep.ranked.end());
  auto* backup = static_cast<CSearchedNTFSPartitionInfo*>(fromBackup->get());
  EXPECT_EQ(backup->GetStartSector(), start);
  EXPECT_EQ(backup->GetSectorsPerCluster(), 8);
  EXPECT_EQ(backup->m_u64TotalClusters, (volumeSectors - 1) / 8);
  // Its window is the partition's: the volume and the backup behind it.
  EXPECT_EQ(backup->GetSectorCount(), volumeSectors);

  TreeGuard tree;
  tree.root = controller.BuildTree(best, &device, 0, nullptr);
  ASSERT_NE(tree.root, nullptr);
  EXPECT_GE(ExpectFilesCopyOut(tree.root, device, Files(qm::test::NtfsBasicManifest()), "ntfs_deep_lost"), 20u);
  device.Close();
  EXPECT_EQ(FileSha256(disk), before);
  fs::remove(disk);
}

TEST(NtfsDeepScan, QuickFormattedVolumeGivesBackTheOldFilesWhoseRecordsSurvive) {
  // The fixture volume formatted again with mkntfs -Q (same geometry) and
  // three small files written to the new volume with ntfscp.
  const fs::path image = qm::ScratchPath("ntfs_deep_reformatted.img");
  fs::remove(image);
  qm::WriteFileBytes(qm::MakeSparseImage("ntfs_deep_reformatted.img", qm::test::NtfsBasicImage().size()), 0,
                     qm::test::NtfsBasicImage());
  ASSERT_EQ(qm::RunCommand("mkntfs -Q -F -q -c 4096 -s 512 -p 0 -H 0 -S 0 -L Again " + image.string() +
                           " >/dev/null 2>&1"),
            0);
  const fs::path note = qm::ScratchPath("ntfs_deep_note.txt");
  {
    std::vector<std::uint8_t> text = {'n', 'e', 'w', '\n'};
    qm::WriteFileBytes(qm::MakeSparseImage("ntfs_deep_note.txt", 0), 0, text);
  }
  for (const char* name : {"new1.txt", "new2.txt", "new3.txt"})
    ASSERT_EQ(qm::RunCommand("ntfscp -q " + image.string() + " " + note.string() + " " + name + " >/dev/null 2>&1"),
              0)
        << name;
  const std::string before = FileSha256(image);

  CImageFileDevice device(image.c_str());
  ASSERT_EQ(device.Open(), 1);
  CNTFSSearchController controller;
  const SweepResult sweep = Sweep(controller, device);
  CSearchedNTFSPartitionInfo* best = sweep.Best();
  ASSERT_NE(best, nullptr);
  EXPECT_EQ(best->GetStartSector(), 0u);
  EXPECT_EQ(best->GetSectorsPerCluster(), 8);

  TreeGuard tree;
  tree.root = controller.BuildTree(best, &device, 0, nullptr);
  ASSERT_NE(tree.root, nullptr);
  const auto paths = qm::test::CollectPaths(tree.root);
  for (const char* name : {"new1.txt", "new2.txt", "new3.txt"}) EXPECT_EQ(paths.byPath.count(name), 1u) << name;
  // The new volume's files took the first free records (64 to 66): old
  // entries there, and everything below an old folder there, are gone.
  std::set<std::uint64_t> lost = {64, 65, 66};
  std::vector<NtfsManifestEntry> survivors;
  const auto manifest = qm::test::NtfsBasicManifest();
  for (const auto& e : Files(manifest)) {
    bool gone = false;
    for (std::uint64_t r = e.record, depth = 0; r != 5 && depth < 16; ++depth) {
      if (lost.count(r)) gone = true;
      const auto parent = std::find_if(manifest.begin(), manifest.end(),
                                       [&](const NtfsManifestEntry& m) { return m.record == r; });
      r = parent == manifest.end() ? 5 : parent->parent;
    }
    if (!gone) survivors.push_back(e);
  }
  EXPECT_GE(survivors.size(), 15u);
  EXPECT_EQ(ExpectFilesCopyOut(tree.root, device, survivors, "ntfs_deep_reformatted"), survivors.size());
  device.Close();
  EXPECT_EQ(FileSha256(image), before);
  fs::remove(image);
}

namespace {

// A committed volume whose $MFT lies in several fragments, swept from a
// disk of its own sector size: the best candidate is the volume and every
// file comes back.
void ExpectFragmentedVolumeRecovered(const std::string& name, std::int32_t sectorSize) {
  const auto manifest = qm::test::LoadNtfsManifest(name);
  ASSERT_FALSE(manifest.empty());
  qm::MemoryDevice device(qm::ReadFileBytes(qm::test::NtfsFixtureImagePath(name)), sectorSize);
  const std::vector<std::uint8_t> original = device.bytes();
  CNTFSSearchController controller;
  const SweepResult sweep = Sweep(controller, device);
  CSearchedNTFSPartitionInfo* best = sweep.Best();
  ASSERT_NE(best, nullptr);
  EXPECT_EQ(best->GetStartSector(), 0u);
  EXPECT_EQ(best->GetSectorsPerCluster(), 4096 / sectorSize);
  EXPECT_NE(best->m_nFoundFlags & qm::kFoundMftPair, 0u);
  EXPECT_EQ(best->m_nFoundFlags & (qm::kFoundFirstBoot | qm::kFoundLastBoot),
            qm::kFoundFirstBoot | qm::kFoundLastBoot);
  ASSERT_FALSE(controller.MftList().empty());
  EXPECT_GE(controller.MftList().front().extents.size(), 4u) << "the $MFT is fragmented";

  TreeGuard tree;
  tree.root = controller.BuildTree(best, &device, 0, nullptr);
  ASSERT_NE(tree.root, nullptr);
  const auto files = Files(manifest);
  EXPECT_EQ(ExpectFilesCopyOut(tree.root, device, files, name), files.size());
  EXPECT_TRUE(device.bytes() == original);
}

} // namespace

TEST(NtfsDeepScan, FragmentedMftOn512ByteSectors) { ExpectFragmentedVolumeRecovered("ntfs_frag512", 512); }

TEST(NtfsDeepScan, FragmentedMftOn4096ByteSectors) { ExpectFragmentedVolumeRecovered("ntfs_frag4k", 4096); }
