// Tree builds over small crafted volumes: parent loops, parents past the
// $MFT, $MFT runs past the device, chains of thousands of folders, the
// choice among a record's names, photo recovery and the file-type filter,
// and the $MFT mapping the lost-partition build relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/file_type_map.h"
#include "ntfs/ntfs_file_properties.h"
#include "ntfs/ntfs_lost_tree_builder.h"
#include "ntfs/ntfs_partition_info.h"
#include "ntfs/ntfs_properties_build.h"
#include "ntfs/ntfs_record_collection.h"
#include "ntfs/ntfs_tree_builder.h"
#include "ntfs/ntfs_tree_linking.h"
#include "ntfs/tree_build_filters.h"
#include "platform/byte_view.h"
#include "platform/log.h"
#include "record_builder.h"
#include "storage/app_settings.h"
#include "support/memory_device.h"
#include "support/memory_stream.h"
#include "tree_build_support.h"

namespace {

using qm::test::RecordBuilder;

constexpr std::uint32_t kSectorsPerCluster = 8;
constexpr std::uint64_t kMftLcn = 4;
constexpr std::uint64_t kMftSector = kMftLcn * kSectorsPerCluster;
constexpr std::uint32_t kDirectoryName = 0x10000000;
constexpr std::uint64_t kMissing = 9999999;

// Mapping pairs of runs given as (length, LCN); LCN -1 is sparse.
std::vector<std::uint8_t> Pairs(const std::vector<std::pair<std::uint64_t, std::int64_t>>& runs) {
  std::vector<std::uint8_t> out;
  std::int64_t previous = 0;
  for (const auto& [length, lcn] : runs) {
    auto bytesOf = [](std::uint64_t v, bool isSigned) {
      std::uint8_t n = 1;
      if (isSigned) {
        const auto s = static_cast<std::int64_t>(v);
        while (n < 8 && (s < -(std::int64_t{1} << (8 * n - 1)) || s >= (std::int64_t{1} << (8 * n - 1))))
          ++n;
      } else {
        while (n < 8 && v >= (std::uint64_t{1} << (8 * n)))
          ++n;
      }
      return n;
    };
    const std::uint8_t lengthBytes = bytesOf(length, false);
    const std::int64_t delta = lcn - previous;
    const std::uint8_t offsetBytes = lcn < 0 ? 0 : bytesOf(static_cast<std::uint64_t>(delta), true);
    out.push_back(static_cast<std::uint8_t>(offsetBytes << 4 | lengthBytes));
    for (std::uint8_t i = 0; i < lengthBytes; ++i)
      out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    for (std::uint8_t i = 0; i < offsetBytes; ++i)
      out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(delta) >> (8 * i)));
    if (lcn >= 0) previous = lcn;
  }
  out.push_back(0);
  return out;
}

// A volume of 4096-byte clusters and 1024-byte records whose $MFT starts
// at cluster 4; records are placed by number.
class CraftedVolume {
public:
  explicit CraftedVolume(std::uint64_t records) : records_(records) {}

  void Folder(std::uint64_t number, const std::u16string& name, std::uint64_t parent,
              std::uint16_t flags = 3) {
    RecordBuilder r(1024, flags);
    r.AddStandardInformation(0x20);
    r.AddFileName(name, parent, kDirectoryName);
    Put(number, r);
  }
  void File(std::uint64_t number, const std::u16string& name, std::uint64_t parent, std::uint16_t flags = 1) {
    RecordBuilder r(1024, flags);
    r.AddStandardInformation(0x20);
    r.AddFileName(name, parent, 0);
    r.AddResident(0x80, {'d', 'a', 't', 'a'});
    Put(number, r);
  }
  void Put(std::uint64_t number, RecordBuilder& r) {
    qm::StoreLe32(&r.bytes()[0x2C], static_cast<std::uint32_t>(number));
    placed_[number] = r.Build();
  }
  // The $MFT's own record with the given runs (default: one run holding
  // every record).
  // Sectors past the $MFT, for records placed outside it.
  void Extra(std::uint64_t sectors) { extraSectors_ = sectors; }
  std::unique_ptr<qm::MemoryDevice> Device(std::vector<std::pair<std::uint64_t, std::int64_t>> runs = {}) {
    const std::uint64_t clusters = (records_ * 1024 + 4095) / 4096;
    if (runs.empty()) runs = {{clusters, static_cast<std::int64_t>(kMftLcn)}};
    // Record 0 from the runs, unless the test placed its own.
    std::map<std::uint64_t, std::vector<std::uint8_t>> records = placed_;
    if (!records.count(0)) {
      RecordBuilder mft(1024, 1);
      mft.AddStandardInformation(0x06);
      mft.AddFileName(u"$MFT", 5, 0);
      std::uint64_t total = 0;
      for (const auto& run : runs)
        total += run.first;
      mft.AddNonResident(0x80, Pairs(runs), 0, total - 1, total * 4096);
      records[0] = mft.Build();
    }

    const std::uint64_t sectors = kMftSector + 2 * records_ + 16 + extraSectors_;
    auto device = std::make_unique<qm::MemoryDevice>(sectors, 512);
    std::uint8_t* boot = device->sector(0);
    std::memcpy(boot + 3, "NTFS    ", 8);
    qm::StoreLe16(boot + 0x0B, 512);
    boot[0x0D] = kSectorsPerCluster;
    boot[0x15] = 0xF8;
    qm::StoreLe64(boot + 0x28, sectors - 1);
    qm::StoreLe64(boot + 0x30, kMftLcn);
    qm::StoreLe64(boot + 0x38, 2);
    boot[0x40] = 0xF6;
    boot[0x1FE] = 0x55;
    boot[0x1FF] = 0xAA;
    for (const auto& [number, bytes] : records)
      std::memcpy(device->sector(kMftSector + 2 * number), bytes.data(), bytes.size());
    return device;
  }

private:
  std::uint64_t records_;
  std::uint64_t extraSectors_ = 0;
  std::map<std::uint64_t, std::vector<std::uint8_t>> placed_;
};

std::size_t Depth(const CFileNode* node) {
  std::size_t depth = 0;
  for (; node->GetParent() != nullptr; node = node->GetParent())
    ++depth;
  return depth;
}

TEST(NtfsTreeLinking, LoopsAndMissingParentsEndOnceUnderLostFiles) {
  CraftedVolume volume(64);
  volume.File(30, u"c.txt", 5);
  volume.Folder(31, u"A", 32); // A and B name each other
  volume.Folder(32, u"B", 31);
  volume.Folder(33, u"X", 35); // X -> Z -> Y -> X
  volume.Folder(34, u"Y", 33);
  volume.Folder(35, u"Z", 34);
  volume.Folder(36, u"S", 36); // its own parent
  volume.File(37, u"far.txt", kMissing);
  volume.Folder(20, u"low", kMissing); // numbered among the system files
  volume.File(38, u"under-low.txt", 20);
  volume.File(39, u"both-low.txt", 3); // both names below the root's number
  auto device = volume.Device();
  CNtfsTreeBuilder builder;
  CFileNode* root = builder.Build(0, device.get(), nullptr);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.nodes, 12u); // 11 records and one LostFiles folder
  EXPECT_EQ(paths.duplicates, 0u);
  EXPECT_TRUE(paths.byPath.count("c.txt"));
  // Each loop is cut at the one member that is no one's child.
  std::size_t loopTops = 0;
  for (const char* top : {"A", "B"})
    loopTops += paths.byPath.count(std::string("LostFiles1/") + top);
  EXPECT_EQ(loopTops, 1u);
  EXPECT_TRUE(paths.byPath.count("LostFiles1/A/B") || paths.byPath.count("LostFiles1/B/A"));
  loopTops = 0;
  for (const char* top : {"X", "Y", "Z"})
    loopTops += paths.byPath.count(std::string("LostFiles1/") + top);
  EXPECT_EQ(loopTops, 1u);
  for (const char* path : {"LostFiles1/S", "LostFiles1/far.txt", "LostFiles1/low", "LostFiles1/under-low.txt",
                           "LostFiles1/both-low.txt"})
    EXPECT_TRUE(paths.byPath.count(path)) << path;
  EXPECT_EQ(paths.byPath.at("LostFiles1")->GetProperties()->GetState(), qm::kStateTemporary);
  DeleteFileTree(root);
}

TEST(NtfsTreeLinking, ThousandsOfNestedFoldersLinkWithoutRecursion) {
  constexpr std::uint64_t kLevels = 6000;
  for (const bool orphaned : {false, true}) {
    CraftedVolume volume(40 + kLevels);
    for (std::uint64_t i = 0; i < kLevels; ++i)
      volume.Folder(30 + i, u"d", i == 0 ? (orphaned ? kMissing : 5) : 30 + i - 1);
    volume.File(30 + kLevels, u"deep.txt", 30 + kLevels - 1);
    auto device = volume.Device();
    CNtfsTreeBuilder builder;
    CFileNode* root = builder.Build(0, device.get(), nullptr);
    ASSERT_NE(root, nullptr);
    const CFileNode* deepest = root;
    while (deepest->GetFirstChild() != nullptr)
      deepest = deepest->GetFirstChild();
    EXPECT_STREQ(deepest->GetProperties()->GetName(), "deep.txt");
    EXPECT_EQ(Depth(deepest), kLevels + 1 + (orphaned ? 1 : 0));
    DeleteFileTree(root);
  }
}

// Enough records for the linear parent index: folders named after and
// after their files, parents far past the records, loops; every file under
// its folder, children in reverse record order as with few records.
TEST(NtfsTreeLinking, ManyRecordsLinkInTheSameOrder) {
  constexpr std::uint64_t kFolders = 40;
  constexpr std::uint64_t kFiles = 6000;
  CraftedVolume volume(64 + kFolders + kFiles);
  // Folders 30.. nest in pairs; the last ones hang below files' numbers.
  for (std::uint64_t f = 0; f < kFolders; ++f)
    volume.Folder(30 + f,
                  u"d" + std::u16string(1, static_cast<char16_t>(u'A' + f % 26)) +
                      std::u16string(1, static_cast<char16_t>(u'0' + f / 26)),
                  f % 2 == 0 ? 5 : 30 + f - 1);
  for (std::uint64_t i = 0; i < kFiles; ++i) {
    const std::uint64_t number = 30 + kFolders + i;
    const std::uint64_t parent = i % 11 == 0 ? kMissing + i % 3 : 30 + (i * 7) % kFolders;
    volume.File(number, u"f" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)), parent);
  }
  auto device = volume.Device();
  CNtfsTreeBuilder builder;
  CFileNode* root = builder.Build(0, device.get(), nullptr);
  ASSERT_NE(root, nullptr);
  std::uint64_t files = 0, lost = 0;
  qm::ForEachInSubtree(root, [&](CFileNode* node) {
    if (node == root) return;
    const auto* props = dynamic_cast<CNTFSFileProperties*>(node->GetProperties());
    ASSERT_NE(props, nullptr);
    if ((props->GetAttributes() & qm::kAttrFolder) != 0) {
      // Children stand in reverse order of their records.
      std::uint64_t previous = ~std::uint64_t{0};
      for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
        const auto* c = dynamic_cast<CNTFSFileProperties*>(child->GetProperties());
        ASSERT_NE(c, nullptr);
        if (std::string(props->GetName()).rfind("LostFiles", 0) == 0) continue;
        EXPECT_LT(c->GetFileRecordSector(), previous) << props->GetName();
        previous = c->GetFileRecordSector();
      }
      return;
    }
    ++files;
    const char* folder = node->GetParent()->GetProperties()->GetName();
    if (std::string(folder).rfind("LostFiles", 0) == 0) ++lost;
  });
  EXPECT_EQ(files, kFiles);
  EXPECT_EQ(lost, (kFiles + 10) / 11) << "the files of missing parents";
  DeleteFileTree(root);
}

TEST(NtfsTreeLinking, MftRunsPastTheDeviceReadWhatIsThere) {
  CraftedVolume volume(64);
  volume.File(30, u"kept.txt", 5);
  {
    // A run far past the device and a sparse run after the real one: the
    // records of the real run are still found.
    auto device =
        volume.Device({{16, static_cast<std::int64_t>(kMftLcn)}, {1000, std::int64_t{1} << 30}, {8, -1}});
    CNtfsTreeBuilder builder;
    CFileNode* root = builder.Build(0, device.get(), nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(qm::test::CollectPaths(root).byPath.count("kept.txt"));
    DeleteFileTree(root);
  }
  {
    // The same clusters named again and again are read no more than the
    // device holds.
    std::vector<std::pair<std::uint64_t, std::int64_t>> runs(200, {16, static_cast<std::int64_t>(kMftLcn)});
    auto device = volume.Device(runs);
    device->ResetCounters();
    CNtfsTreeBuilder builder;
    CFileNode* root = builder.Build(0, device.get(), nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_LE(device->sectorsRead(), 2 * device->GetSectorCount());
    DeleteFileTree(root);
  }
  {
    // A $MFT that lies wholly past the device gives no tree.
    auto device = volume.Device({{16, std::int64_t{1} << 29}});
    CNtfsTreeBuilder builder;
    EXPECT_EQ(builder.Build(0, device.get(), nullptr), nullptr);
  }
}

TEST(NtfsTreeLinking, LostPartitionBuildFilesRecordsByTheMftThatHoldsThem) {
  // Records inside the $MFT are linked through it; a copy of a record
  // outside it (a stray record left by an old $MFT) is kept in LostFiles,
  // or dropped when only the $MFT's files are wanted.
  CraftedVolume volume(32);
  volume.Folder(20, u"docs", 5, 3);
  volume.File(21, u"inside.txt", 20);
  volume.Extra(64);
  auto device = volume.Device();
  RecordBuilder stray(1024, 1);
  stray.AddStandardInformation(0x20);
  stray.AddFileName(u"stray.txt", 20, 0);
  const auto strayBytes = stray.Build();
  const std::uint64_t straySector = kMftSector + 2 * 32 + 32;
  std::memcpy(device->sector(straySector), strayBytes.data(), strayBytes.size());

  const std::vector<qm::NtfsRecordRange> ranges = {{kMftSector + 40, 4}, {straySector, 1}};
  NtfsMftInfo mft;
  mft.recordSector = kMftSector;
  mft.sectorsPerCluster = kSectorsPerCluster;
  mft.extents = {{static_cast<std::int64_t>(kMftLcn), 0, 8}};
  for (const std::uint32_t onlyMft : {0u, 1u}) {
    CSearchedNTFSPartitionInfo partition;
    partition.SetStartSector(0);
    partition.SetSectorCount(device->GetSectorCount());
    partition.SetSectorsPerCluster(kSectorsPerCluster);
    partition.m_bUseMft = 1;
    partition.m_bFilesFromMftOnly = onlyMft;
    CNtfsLostPartitionTreeBuilder builder;
    CFileNode* root = builder.Build({mft}, ranges, &partition, nullptr, device.get(), 0, nullptr);
    ASSERT_NE(root, nullptr);
    const auto paths = qm::test::CollectPaths(root);
    EXPECT_TRUE(paths.byPath.count("docs/inside.txt"));
    EXPECT_EQ(paths.byPath.count("LostFiles1/stray.txt"), onlyMft ? 0u : 1u);
    EXPECT_EQ(paths.nodes, onlyMft ? 2u : 4u);
    DeleteFileTree(root);
  }
}

TEST(NtfsTreeLinking, DamagedRangesAndSizesEndTheRecordWalkAtTheDevice) {
  // A partition that claims far more sectors than the device has, ranges
  // with absurd counts and positions: the walk ends at the device's end.
  CraftedVolume volume(32);
  volume.File(20, u"found.txt", 5);
  auto device = volume.Device();
  const std::vector<qm::NtfsRecordRange> ranges = {{qm::kNoSector, 5},
                                                   {0, std::uint64_t{1} << 62},
                                                   {kMftSector, std::uint64_t{1} << 63},
                                                   {~std::uint64_t{0} - 1, std::uint64_t{1} << 62}};
  CSearchedNTFSPartitionInfo partition;
  partition.SetStartSector(0);
  partition.SetSectorCount(std::uint64_t{1} << 60);
  partition.SetSectorsPerCluster(kSectorsPerCluster);
  partition.m_u64TotalClusters = std::uint64_t{1} << 57;
  partition.m_u64MftSector = ~std::uint64_t{0} - 3;
  CNtfsLostPartitionTreeBuilder builder;
  CFileNode* root = builder.Build({}, ranges, &partition, nullptr, device.get(), 0, nullptr);
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(qm::test::CollectPaths(root).byPath.count("LostFiles1/found.txt"));
  EXPECT_LE(builder.WindowsRead(), device->GetSectorCount() / 128 + 1);
  DeleteFileTree(root);
}

TEST(NtfsTreeLinking, MftExtentsHeldInAnExtensionRecordAreFollowed) {
  // The $MFT's runs are split: the base record holds VCN 0-1 (records 0-7),
  // extension record 7, named by the attribute list, holds the rest.
  constexpr std::uint64_t kRecords = 64;
  constexpr std::uint64_t kClusters = kRecords / 4;
  CraftedVolume volume(kRecords);
  RecordBuilder mft(1024, 1);
  mft.AddStandardInformation(0x06);
  mft.AddFileName(u"$MFT", 5, 0);
  std::vector<std::uint8_t> list(0x40, 0);
  for (int i = 0; i < 2; ++i) {
    std::uint8_t* entry = list.data() + 0x20 * i;
    qm::StoreLe32(entry, 0x80);
    qm::StoreLe16(entry + 4, 0x20);
    entry[7] = 0x1A;
    qm::StoreLe64(entry + 8, i == 0 ? 0 : 2);
    qm::StoreLe64(entry + 0x10, (i == 0 ? 0 : 7) | (std::uint64_t{1} << 48));
  }
  mft.AddResident(0x20, list);
  mft.AddNonResident(0x80, Pairs({{2, static_cast<std::int64_t>(kMftLcn)}}), 0, 1, kClusters * 4096);
  volume.Put(0, mft);
  RecordBuilder extension(1024, 1);
  qm::StoreLe64(&extension.bytes()[0x20], std::uint64_t{1} << 48); // base record 0
  extension.AddNonResident(0x80, Pairs({{kClusters - 2, static_cast<std::int64_t>(kMftLcn + 2)}}), 2,
                           kClusters - 1, 0);
  volume.Put(7, extension);
  volume.File(40, u"far-in-the-mft.txt", 5);
  auto device = volume.Device();

  std::vector<std::string> lines;
  const int observer =
      qm::AddLogObserver([&lines](LogKind, std::string_view text) { lines.emplace_back(text); });
  CNtfsTreeBuilder builder;
  CFileNode* root = builder.Build(0, device.get(), nullptr);
  qm::RemoveLogObserver(observer);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(TotalClusters(builder.MftRuns()), kClusters);
  EXPECT_TRUE(qm::test::CollectPaths(root).byPath.count("far-in-the-mft.txt"));
  bool logged = false;
  for (const auto& line : lines)
    logged |= line.find("MFT file record has 0x20 attribute, MFT start sector is 32") != std::string::npos;
  EXPECT_TRUE(logged);
  DeleteFileTree(root);
}

TEST(NtfsTreeLinking, PhotoRecoveryKeepsMediaFilesAndDropsFoldersLeftEmpty) {
  CraftedVolume volume(64);
  volume.Folder(30, u"pictures", 5);
  volume.File(31, u"a.JPG", 30);
  volume.Folder(32, u"documents", 5);
  volume.Folder(33, u"inner", 32);
  volume.File(34, u"b.txt", 33);
  auto device = volume.Device();
  AppSettings* settings = GetAppSettings();
  const int saved = settings->bPhotoRecovery;
  settings->bPhotoRecovery = 1;
  CNtfsTreeBuilder builder;
  CFileNode* root = builder.Build(0, device.get(), nullptr);
  settings->bPhotoRecovery = saved;
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.nodes, 2u);
  EXPECT_TRUE(paths.byPath.count("pictures/a.JPG"));
  DeleteFileTree(root);
}

TEST(NtfsTreeLinking, FileTypeFilterAsksAboutTheLastExtension) {
  FileTypeChoice jpeg{2, 0, {"jpg"}};
  CFileTypeMap::GetInstance().Build(std::span<const FileTypeChoice>(&jpeg, 1), 0);
  const ExtensionFilter* filter = GetExtensionFilter();
  EXPECT_TRUE(filter->Accepts("photo.tar.JPG", 0));
  EXPECT_FALSE(filter->Accepts("photo.jpg.txt", 0));
  EXPECT_FALSE(filter->Accepts("jpg", 0));
  EXPECT_TRUE(filter->Accepts("folder", 1));
  EXPECT_TRUE(filter->Accepts(nullptr, 0));
  CFileTypeMap::GetInstance().Clear();
  EXPECT_TRUE(filter->Accepts("anything", 0));
  EXPECT_EQ(GetExtensionFilter(), filter);
}

TEST(NtfsTreeLinking, NameAndParentChosenAmongTheFileNames) {
  struct Case {
    std::u16string first;
    std::uint8_t firstSpace;
    std::uint64_t firstParent;
    std::u16string second; // empty: no second name
    std::uint8_t secondSpace;
    std::uint64_t secondParent;
    const char* name;
    std::uint64_t parent;
  };
  const Case cases[] = {
      {u"REPORT~1.DOC", 2, 40, u"Report long.doc", 1, 40, "Report long.doc", 40},
      {u"posix name", 0, 40, u"POSIXN~1", 2, 40, "posix name", 40},
      // The DOS alias is never shown when another name exists.
      {u"DOSNAM~1", 2, 40, u"hard link name", 0, 40, "hard link name", 40},
      {u"one", 3, 41, u"", 0, 0, "one", 41},
      {u"a", 1, 3, u"b", 1, 77, "b", 77},
      {u"a", 0, 77, u"b", 1, 2, "b", 77},
      {u"a", 0, 3, u"b", 0, 4, "a", 3},
  };
  for (const Case& c : cases) {
    RecordBuilder r(1024, 1);
    r.AddStandardInformation(0x20);
    auto patchSpace = [&r](std::size_t at, std::uint8_t space) {
      r.bytes()[at + qm::ByteView(r.bytes().data(), r.bytes().size()).le16(at + 0x14) + 0x41] = space;
    };
    patchSpace(r.AddFileName(c.first, c.firstParent, 0), c.firstSpace);
    if (!c.second.empty()) patchSpace(r.AddFileName(c.second, c.secondParent, 0), c.secondSpace);
    const auto bytes = r.Build();
    CNTFSFileRecord record(bytes, 100, nullptr, {});
    std::uint64_t parent = 0;
    const auto properties = BuildNtfsFileProperties(100, record, 4096, &parent);
    ASSERT_NE(properties, nullptr) << c.name;
    EXPECT_STREQ(properties->GetName(), c.name);
    EXPECT_EQ(parent, c.parent) << c.name;
    EXPECT_EQ(properties->GetFileRecordSector(), 100u);
  }
}

TEST(NtfsTreeLinking, SectorsOfNoPowerOfTwoSizeSweepTheWholeMft) {
  // 1536-byte sectors (one a cluster): a megabyte holds no whole number of
  // them, and the sweep must neither stall at a block's end nor lose the
  // records of the next block or those that straddle two sectors.
  constexpr std::int32_t kSector = 1536;
  constexpr std::uint64_t kLcn = 2;
  constexpr std::uint64_t kClusters = 800; // 1,200 records, past one megabyte
  qm::MemoryDevice device(kLcn + kClusters + 4, kSector);
  std::uint8_t* boot = device.sector(0);
  std::memcpy(boot + 3, "NTFS    ", 8);
  qm::StoreLe16(boot + 0x0B, kSector);
  boot[0x0D] = 1;
  boot[0x15] = 0xF8;
  qm::StoreLe64(boot + 0x28, device.GetSectorCount() - 1);
  qm::StoreLe64(boot + 0x30, kLcn);
  qm::StoreLe64(boot + 0x38, 1);
  boot[0x40] = 0xF6;
  boot[0x1FE] = 0x55;
  boot[0x1FF] = 0xAA;
  auto put = [&](std::uint64_t number, RecordBuilder& r) {
    qm::StoreLe32(&r.bytes()[0x2C], static_cast<std::uint32_t>(number));
    const auto bytes = r.Build();
    std::memcpy(device.sector(kLcn) + number * 1024, bytes.data(), bytes.size());
  };
  RecordBuilder mft(1024, 1);
  mft.AddStandardInformation(0x06);
  mft.AddFileName(u"$MFT", 5, 0);
  mft.AddNonResident(0x80, Pairs({{kClusters, static_cast<std::int64_t>(kLcn)}}), 0, kClusters - 1,
                     kClusters * kSector);
  put(0, mft);
  const std::vector<std::pair<std::uint64_t, std::u16string>> files = {
      {31, u"straddles.txt"}, {1022, u"last-of-block.txt"}, {1023, u"next-block.txt"}, {1199, u"last.txt"}};
  for (const auto& [number, name] : files) {
    RecordBuilder r(1024, 1);
    r.AddStandardInformation(0x20);
    r.AddFileName(name, 5, 0);
    r.AddResident(0x80, {'d'});
    put(number, r);
  }
  CNtfsTreeBuilder builder;
  CFileNode* root = builder.Build(0, &device, nullptr);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  for (const char* name : {"straddles.txt", "last-of-block.txt", "next-block.txt", "last.txt"})
    EXPECT_TRUE(paths.byPath.count(name)) << name;
  DeleteFileTree(root);
}

TEST(NtfsTreeLinking, SectorsMapToRecordNumbersThroughTheMftRuns) {
  NtfsMftInfo mft;
  mft.sectorsPerCluster = 8;
  mft.sectorsPerFileRecord = 2;
  mft.extents = {{100, 0, 10}, {50, 10, 10}, {qm::kSparseLcn, 20, 4}};
  constexpr std::uint64_t kStart = 1000;
  const std::pair<std::uint64_t, std::uint64_t> cases[] = {
      {kStart + 800, 0},
      {kStart + 802, 1},
      {kStart + 801, qm::kNoNumber},
      {kStart + 879, qm::kNoNumber},
      {kStart + 878, 39},
      {kStart + 400, 40},
      {kStart + 406, 43},
      {kStart + 392, qm::kNoNumber},
      {kStart - 2, qm::kNoNumber},
      {kStart + 880, qm::kNoNumber},
  };
  for (const auto& [sector, number] : cases)
    EXPECT_EQ(SectorToRecordNumber(mft, sector, kStart), number) << sector;
  EXPECT_TRUE(mft.ContainsLcn(55));
  EXPECT_FALSE(mft.ContainsLcn(60));
  EXPECT_FALSE(mft.ContainsLcn(-1));
  EXPECT_EQ(mft.TotalClusters(), 24u);

  qm::test::MemoryStream stream;
  mft.Save(stream);
  EXPECT_EQ(stream.bytes.size(), 8u + 1 + 1 + 8 + 3 * 24);
  const auto loaded = NtfsMftInfo::Load(stream);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->extents, mft.extents);
  EXPECT_EQ(loaded->sectorsPerCluster, 8);
  // A saved cluster size of 0 would divide by zero in every mapping.
  mft.sectorsPerCluster = 0;
  qm::test::MemoryStream zero;
  mft.Save(zero);
  EXPECT_FALSE(NtfsMftInfo::Load(zero));
  EXPECT_EQ(SectorToRecordNumber(mft, kStart + 800, kStart), qm::kNoNumber);
}

} // namespace
