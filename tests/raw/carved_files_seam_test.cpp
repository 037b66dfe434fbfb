// The carved files of a scan in the trees of the file systems: real NTFS,
// FAT32 and EXT2 volumes get real files written into their free clusters
// (and one into a cluster a live file uses); the carving controller sweeps
// the volume, and the NTFS lost-partition build, the FAT complete build and
// the EXT2 build with carving must show exactly the files of the free
// clusters under "Raw Files", none of them overlapping a cluster in use.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_fixture.h"
#include "fatext2/ext2_tree_builder.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_dir_sector_scanner.h"
#include "fatext2/fat_fixture.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/data_run_list.h"
#include "filemodel/file_node.h"
#include "filemodel/file_properties.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "format_fixture.h"
#include "ntfs/fixture_volume.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_fixture.h"
#include "ntfs/ntfs_lost_tree_builder.h"
#include "ntfs/ntfs_partition_info.h"
#include "ntfs/tree_build_support.h"
#include "raw/raw_search_type_list.h"
#include "raw/search_controllers.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

const char* const kCarved[] = {"media_picture.png", "media_picture.gif", "zip_tool.zip", "media_doc.pdf",
                               "media_picture.bmp"};

struct Planted {
  std::uint64_t sector;
  std::vector<std::uint8_t> content;
};

// Sectors [first, end) of a file of the tree.
using Extents = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

class CarvedFilesSeam : public ::testing::Test {
protected:
  void TearDown() override {
    DeleteFileTree(root_);
    root_ = nullptr;
    RawSearchTypeList& list = RawSearchTypeList::Get();
    list.Clear();
    RegisterRawAnalysersA(list.Analysers());
  }

  // The volume's file extents in device sectors, from a tree built before
  // anything was carved.
  static Extents FileExtents(CFileNode* root) {
    Extents extents;
    std::uint64_t base = 0;
    std::uint32_t perCluster = 0;
    static_cast<CFileSystemNode*>(root)->GetVolumeGeometry(&base, &perCluster);
    for (const auto& [path, node] : qm::test::CollectPaths(root).byPath) {
      const IFileProperties* properties = node->GetProperties();
      if (properties == nullptr || properties->IsFolder()) continue;
      std::unique_ptr<IDataRunList> runs(properties->GetDataRunList());
      if (!runs || runs->IsResident()) continue;
      for (const DataRunEntry& run : runs->Runs())
        if (!run.IsSparse() && run.count != 0)
          extents.emplace_back(base + run.start * perCluster, base + (run.start + run.count) * perCluster);
    }
    return extents;
  }

  static bool Overlaps(const Extents& extents, std::uint64_t first, std::uint64_t end) {
    return std::any_of(extents.begin(), extents.end(),
                       [&](const auto& e) { return first < e.second && e.first < end; });
  }

  // Writes the carved files back to back from the sector on, inside the
  // sectors [sector, limit), none in a file's extents; the first file goes
  // at `inUse`, a sector a live file owns.
  void Plant(std::vector<std::uint8_t>& image, std::uint64_t sector, std::uint64_t limit, const Extents& used,
             std::uint64_t inUse) {
    const auto put = [&](std::uint64_t at, const std::vector<std::uint8_t>& content) {
      std::copy(content.begin(), content.end(), image.begin() + static_cast<std::ptrdiff_t>(at * 512));
    };
    inUse_ = inUse;
    put(inUse, qm::ReadFormatFixture("media_picture.png"));
    for (const char* name : kCarved) {
      std::vector<std::uint8_t> content = qm::ReadFormatFixture(name);
      const std::uint64_t sectors = (content.size() + 511) / 512;
      while (sector + sectors <= limit && Overlaps(used, sector, sector + sectors))
        ++sector;
      ASSERT_LE(sector + sectors, limit) << "no room for " << name;
      put(sector, content);
      planted_.push_back({sector, std::move(content)});
      sector += sectors + 1;
    }
  }

  // The whole road of a scan that carves: the intelligent search with the
  // carving controller over the volume.
  void Carve(IStorageDevice& device) {
    SearchControllerList list;
    list.push_back(CreateSearchController(kRawSearchController));
    DistributeRawFileCollection(list, &collection_);
    std::vector<CSearchedPartitionInfo*> partitions;
    ASSERT_EQ(RunIntelligentSearch(&device, list, partitions, nullptr), 1);
    ASSERT_NE(collection_.FindByStartSector(inUse_), nullptr);
    for (const Planted& p : planted_)
      ASSERT_NE(collection_.FindByStartSector(p.sector), nullptr);
  }

  void ExpectRawFiles(IStorageDevice& device, const Extents& used) {
    ASSERT_NE(root_, nullptr);
    const auto paths = qm::test::CollectPaths(root_);
    std::map<std::uint64_t, const IFileProperties*> carved;
    for (const auto& [path, node] : paths.byPath) {
      if (path.rfind("Raw Files/", 0) != 0 || node->GetProperties()->IsFolder()) continue;
      std::unique_ptr<IDataRunList> runs(node->GetProperties()->GetDataRunList());
      ASSERT_TRUE(runs && runs->Runs().size() == 1u) << path;
      const DataRunEntry run = runs->Runs().front();
      EXPECT_FALSE(Overlaps(used, run.start, run.start + run.count)) << path << " overlaps a file in use";
      carved.emplace(run.start, node->GetProperties());
    }
    EXPECT_EQ(carved.count(inUse_), 0u) << "a carved file in a cluster in use";
    for (const Planted& p : planted_) {
      const auto found = carved.find(p.sector);
      ASSERT_NE(found, carved.end()) << "sector " << p.sector;
      ASSERT_EQ(found->second->GetSize(), p.content.size());
      std::vector<std::uint8_t> bytes((p.content.size() + 511) / 512 * 512);
      ASSERT_EQ(device.ReadSectors(bytes.data(), p.sector, bytes.size() / 512), 1);
      bytes.resize(p.content.size());
      EXPECT_TRUE(bytes == p.content);
    }
  }

  CRawFileCollection collection_;
  std::vector<Planted> planted_;
  std::uint64_t inUse_ = 0;
  CFileNode* root_ = nullptr;
};

TEST_F(CarvedFilesSeam, Ext2BuildWithCarving) {
  const auto& fixture = qm::test::GetExt2Image(qm::test::Ext2Layout::Ext2Blocks1K);
  std::vector<std::uint8_t> image = fixture.Bytes();
  Extents used;
  {
    qm::MemoryDevice device(image);
    CExt2FileSystem fileSystem(&device, 2);
    CExt2TreeBuilder builder;
    qm::test::RecordingCallback callback;
    CFileNode* plain = builder.StartWithRaw(&fileSystem, &callback, nullptr, 0);
    ASSERT_NE(plain, nullptr);
    used = FileExtents(plain);
    DeleteFileTree(plain);
  }
  ASSERT_FALSE(used.empty());
  const std::uint64_t sectors = image.size() / 512;
  Plant(image, sectors * 3 / 4, sectors - 8, used, used.front().first);
  qm::MemoryDevice device(image);
  Carve(device);
  CExt2FileSystem fileSystem(&device, 2);
  CExt2TreeBuilder builder;
  qm::test::RecordingCallback callback;
  root_ = builder.StartWithRaw(&fileSystem, &callback, &collection_, 0);
  ExpectRawFiles(device, used);
}

TEST_F(CarvedFilesSeam, Fat32CompleteBuild) {
  const auto& fixture = qm::test::GetFatFixture(kFatType32);
  std::vector<std::uint8_t> image = qm::ReadFileBytes(fixture.image);
  const CFATDBR dbr(qm::ByteView(image.data(), 512), 512);
  const std::uint64_t dataStart = dbr.GetReservedSectors() + 2 * std::uint64_t{dbr.GetSectorsPerFat()};
  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(kFatType32);
  partition.SetStartSector(0);
  partition.SetSectorCount(dbr.GetTotalSectors());
  partition.SetSectorsPerCluster(static_cast<std::uint8_t>(dbr.GetSectorsPerCluster()));
  partition.SetClusterZeroSector(dataStart);
  partition.SetReservedSectors(static_cast<std::uint16_t>(dbr.GetReservedSectors()));
  partition.SetSectorsPerFat(dbr.GetSectorsPerFat());
  partition.SetRootValue(dbr.GetRootCluster());
  partition.SetFlags(qm::kFatFoundBoot32 | qm::kFatUseFirstFat | qm::kFatUseSecondFat |
                     qm::kFatFoundDirectory);
  // The directory sectors, as the deep scan remembers them.
  qm::FatDirCandidateMap candidates;
  CFatDirSectorScanner scanner;
  for (std::uint64_t sector = dataStart; (sector + 1) * 512 <= image.size(); ++sector) {
    if (!scanner.Analyze(qm::ByteView(image.data() + sector * 512, 512))) continue;
    qm::FatDirCandidate candidate;
    if (scanner.GetKind() == CFatDirSectorScanner::kDirectoryStart)
      candidate = {scanner.GetDotCluster(), scanner.GetDotDotCluster()};
    candidates.emplace(sector, candidate);
  }
  Extents used;
  {
    qm::MemoryDevice device(image);
    CFatTreeBuilder builder;
    CFileSystemNode* plain = builder.StartCompleteBuild(nullptr, candidates, partition, nullptr, &device, 0);
    ASSERT_NE(plain, nullptr);
    used = FileExtents(plain);
    DeleteFileTree(plain);
  }
  ASSERT_FALSE(used.empty());
  const std::uint64_t sectors = image.size() / 512;
  Plant(image, sectors / 2, sectors - 8, used, used.front().first);
  qm::MemoryDevice device(image);
  Carve(device);
  CFatTreeBuilder builder;
  root_ = builder.StartCompleteBuild(nullptr, candidates, partition, &collection_, &device, 0);
  ExpectRawFiles(device, used);
}

TEST_F(CarvedFilesSeam, NtfsLostPartitionBuild) {
  std::vector<std::uint8_t> image = qm::test::NtfsBasicImage();
  auto volume = qm::test::OpenFixtureVolume(512);
  const std::uint64_t perCluster = volume.geometry.sectorsPerCluster;
  auto partition = std::make_unique<CSearchedNTFSPartitionInfo>();
  partition->SetStartSector(0);
  partition->SetSectorCount(image.size() / 512);
  partition->SetSectorsPerCluster(static_cast<std::uint8_t>(perCluster));
  partition->m_bUseMft = 1;
  NtfsMftInfo mft;
  mft.extents = volume.mftRuns;
  mft.sectorsPerCluster = static_cast<std::uint8_t>(perCluster);
  mft.sectorsPerFileRecord = 2;
  mft.recordSector = static_cast<std::uint64_t>(volume.mftRuns.front().lcn) * perCluster;
  partition->m_u64MftSector = mft.recordSector;
  const std::vector<NtfsMftInfo> mfts{mft};
  // The FILE-record ranges, as the deep scan keeps them.
  std::vector<qm::NtfsRecordRange> ranges;
  for (std::uint64_t sector = 0; (sector + 2) * 512 <= image.size(); sector += 2) {
    if (!IsFileRecordHeader(qm::ByteView(image.data() + sector * 512, 1024))) continue;
    if (ranges.empty() || !ranges.back().Extend(sector)) ranges.push_back({sector, 1});
  }
  Extents used;
  {
    qm::MemoryDevice device(image);
    CNtfsLostPartitionTreeBuilder builder;
    CFileNode* plain = builder.Start(mfts, ranges, partition.get(), nullptr, &device, 0, nullptr);
    ASSERT_NE(plain, nullptr);
    used = FileExtents(plain);
    DeleteFileTree(plain);
  }
  ASSERT_FALSE(used.empty());
  // Free space the volume never wrote holds zeros; the files go there, in
  // the second half (the first holds the $MFT and its reserved zone).
  const std::uint64_t sectors = image.size() / 512;
  std::uint64_t from = sectors / 2;
  while (from < sectors && std::any_of(image.begin() + static_cast<std::ptrdiff_t>(from * 512),
                                       image.begin() + static_cast<std::ptrdiff_t>((from + 64) * 512),
                                       [](std::uint8_t b) { return b != 0; }))
    from += perCluster;
  Plant(image, from, sectors - 64, used, used.back().first);
  qm::MemoryDevice device(image);
  Carve(device);
  CNtfsLostPartitionTreeBuilder builder;
  root_ = builder.Start(mfts, ranges, partition.get(), &collection_, &device, 0, nullptr);
  ExpectRawFiles(device, used);
}

} // namespace
