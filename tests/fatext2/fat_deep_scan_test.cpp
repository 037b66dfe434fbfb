// The FAT deep scan over real volumes made with mkfs.fat and mtools: a
// volume formatted again over its old contents gives back the old folders
// and files whose clusters were not reused; a volume whose boot sectors
// and first FAT are gone is found from its directories alone. Devices are
// swept the way the complete search sweeps them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "deep_scan_support.h"
#include "fat_fixture.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_search_controller.h"
#include "filemodel/file_extension.h"
#include "filemodel/file_node.h"
#include "filemodel/raw_file_collection.h"
#include "storage/image_file_device.h"
#include "storage/search_statistics.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;
using qm::test::Quote;
using qm::test::Run;

namespace {

const std::string kMtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";

// The clusters mshowfat reports for a path of the volume.
std::set<std::uint32_t> ClustersOf(const std::string& image, const std::string& path) {
  const fs::path out = qm::ScratchPath("mshowfat.txt");
  Run(kMtools + "mshowfat -i " + Quote(image) + " " + Quote("::" + path) + " > " + Quote(out.string()));
  const auto bytes = qm::ReadFileBytes(out);
  const std::string text(bytes.begin(), bytes.end());
  std::set<std::uint32_t> clusters;
  for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
    const std::size_t end = text.find('>', at);
    std::string range = text.substr(at + 1, end - at - 1);
    const std::size_t dash = range.find('-');
    const std::uint32_t low = static_cast<std::uint32_t>(std::stoul(range.substr(0, dash)));
    const std::uint32_t high =
        dash == std::string::npos ? low : static_cast<std::uint32_t>(std::stoul(range.substr(dash + 1)));
    for (std::uint32_t c = low; c <= high; ++c) clusters.insert(c);
  }
  return clusters;
}

bool Overlap(const std::set<std::uint32_t>& a, const std::set<std::uint32_t>& b) {
  return std::any_of(a.begin(), a.end(), [&](std::uint32_t c) { return b.count(c) != 0; });
}

struct OldFile {
  std::string path; // "/Alpha/Beta/two.bin"
  std::vector<std::uint8_t> content;
};

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('/')); }
std::string Name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// A volume filled with nested folders, formatted again with the same
// geometry, and given a few new files that take the first clusters.
struct Reformatted {
  fs::path image;
  std::vector<OldFile> intact;        // old files whose clusters and folder survived
  std::vector<OldFile> lostParent;    // ... whose folder's parent folder was overwritten
  std::vector<OldFile> newFiles;
};

Reformatted MakeReformatted(int bits) {
  Reformatted r;
  const std::string name = "reformatted_fat" + std::to_string(bits);
  r.image = qm::MakeSparseImage(name + ".img", bits == 32 ? 80u << 20 : 24u << 20);
  const std::string img = Quote(r.image.string());
  const std::string format = "mkfs.fat -F " + std::to_string(bits) + " -s " + (bits == 32 ? "1" : "4");
  Run(format + " -n OLDVOL -i 11112222 " + img + " >/dev/null");
  const fs::path src = qm::ScratchPath(name + "_src");
  fs::remove_all(src);
  std::vector<OldFile> old;
  auto add = [&](const std::string& path, std::size_t size) {
    old.push_back({path, qm::test::PatternBytes(size, static_cast<std::uint32_t>(old.size() + 7 * bits))});
    qm::test::WriteHostFile(src / path.substr(1), old.back().content);
  };
  add("/Alpha/one.bin", 5000);
  add("/Alpha/Beta/two.bin", 20000);
  add("/Alpha/Beta/Gamma/three.txt", 700);
  add("/Alpha/Beta/Gamma/Long name of a file in gamma.dat", 4100);
  add("/Delta/four.bin", 12000);
  add("/Delta/Epsilon/five.bin", 3000);
  add("/Delta/Epsilon/Zeta/six.bin", 9000);
  for (int i = 0; i < 30; ++i) add("/Many/member file " + std::to_string(i) + ".txt", 600 + 37 * i);
  Run("cd " + Quote(src.string()) + " && " + kMtools + "mcopy -s -Q -i " + img + " * ::/");

  std::map<std::string, std::set<std::uint32_t>> clusters;
  std::set<std::string> folders;
  for (const auto& file : old) {
    clusters[file.path] = ClustersOf(r.image.string(), file.path);
    for (std::string folder = Parent(file.path); !folder.empty(); folder = Parent(folder)) folders.insert(folder);
  }
  for (const auto& folder : folders) clusters[folder] = ClustersOf(r.image.string(), folder);

  Run(format + " -n NEWVOL -i 33334444 " + img + " >/dev/null");
  // New files take the first free clusters: Alpha's folder among them.
  std::set<std::uint32_t> reused;
  for (int i = 0; i < 2; ++i) {
    const std::string path = "/new" + std::to_string(i) + ".bin";
    r.newFiles.push_back({path, qm::test::PatternBytes(700, 99u + static_cast<std::uint32_t>(i))});
    const fs::path host = src.parent_path() / (name + "_new.bin");
    qm::test::WriteHostFile(host, r.newFiles.back().content);
    Run(kMtools + "mcopy -Q -i " + img + " " + Quote(host.string()) + " ::" + path);
    const auto used = ClustersOf(r.image.string(), path);
    reused.insert(used.begin(), used.end());
  }
  if (bits == 32) reused.insert(2); // the new root folder
  for (const auto& file : old) {
    const std::string folder = Parent(file.path);
    if (Overlap(clusters[file.path], reused) || Overlap(clusters[folder], reused)) continue;
    const std::string above = Parent(folder);
    if (!above.empty() && Overlap(clusters[above], reused))
      r.lostParent.push_back(file);
    else
      r.intact.push_back(file);
  }
  fs::remove_all(src);
  return r;
}

const CFATSearchedPartitionInfo* OnlyFat(const qm::test::FoundPartitions& found, std::uint64_t start) {
  for (const auto& record : found.records)
    if (record->GetKind() == kPartitionKindFat && record->GetStartSector() == start)
      return static_cast<const CFATSearchedPartitionInfo*>(record.get());
  return nullptr;
}

class FatReformatted : public ::testing::TestWithParam<int> {};

TEST_P(FatReformatted, OldFoldersAndFilesComeBackByteForByte) {
  const int bits = GetParam();
  Reformatted r;
  try {
    r = MakeReformatted(bits);
  } catch (const std::exception& error) {
    GTEST_SKIP() << error.what();
  }
  ASSERT_FALSE(r.intact.empty());
  ASSERT_FALSE(r.lostParent.empty()); // Beta's parent Alpha was overwritten
  const auto original = qm::ReadFileBytes(r.image);

  CImageFileDevice device(r.image.c_str());
  CFATSearchController controller;
  const auto found = qm::test::SweepWith(&device, {&controller});
  const CFATSearchedPartitionInfo* volume = OnlyFat(found, 0);
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(volume->GetFileSystemType(), static_cast<std::uint32_t>(bits == 32 ? kFatType32 : kFatType16));
  EXPECT_GT(volume->GetFoldersMatched(), 3u);
  EXPECT_EQ(volume->GetScore(), 100u); // boot sector (and its backup), both FATs
  const CFATDBR dbr(qm::ByteView(original.data(), 512), 512);
  EXPECT_EQ(volume->GetSectorsPerCluster(), dbr.GetSectorsPerCluster());

  qm::test::TreeRoot root(controller.BuildTree(const_cast<CFATSearchedPartitionInfo*>(volume), &device, 0, nullptr));
  ASSERT_NE(root, nullptr);
  const auto files = qm::test::CopyOut(root.get(), &device, "fat_reformatted_" + std::to_string(bits));
  // Every intact old file comes back; those of the small folders also by
  // their names. The long names of the large folder's entries may straddle
  // a cluster whose place in the old chain is unknown (the old FAT is gone),
  // so there the content alone is checked.
  for (const auto& file : r.intact) {
    const bool anywhere = std::any_of(files.begin(), files.end(),
                                      [&](const auto& copied) { return copied.second == file.content; });
    EXPECT_TRUE(anywhere) << file.path;
    const std::string folder = Parent(file.path);
    if (folder == "/Many") continue;
    // Top-level folders lost their names with the old root; deeper ones
    // keep theirs.
    const bool named = !Parent(folder).empty();
    const std::string tail = named ? Name(folder) + "/" + Name(file.path) : Name(file.path);
    const std::string path = qm::test::PathEndingWith(files, tail);
    ASSERT_FALSE(path.empty()) << file.path;
    EXPECT_TRUE(files.at(path) == file.content) << file.path;
  }
  for (const auto& file : r.lostParent) {
    const std::string path = qm::test::PathEndingWith(files, Name(file.path));
    ASSERT_FALSE(path.empty()) << file.path;
    EXPECT_EQ(path.rfind("Lost Folders/", 0), 0u) << path;
    EXPECT_TRUE(files.at(path) == file.content) << file.path;
  }
  for (const auto& file : r.newFiles) {
    const std::string path = qm::test::PathEndingWith(files, Name(file.path));
    ASSERT_FALSE(path.empty()) << file.path;
    EXPECT_TRUE(files.at(path) == file.content) << file.path;
  }
  EXPECT_TRUE(qm::ReadFileBytes(r.image) == original);
}

INSTANTIATE_TEST_SUITE_P(Bits, FatReformatted, ::testing::Values(32, 16));

// A volume with nested folders whose boot sector, backup boot sector and
// first FAT are zeroed: only its directories tell where it is. FAT32 on
// 512-byte sectors, FAT16 on 4096-byte sectors (a FAT32 volume of 4096-byte
// sectors would need a quarter of a gigabyte in memory).
TEST(FatDeepScan, VolumeWithoutBootSectorsOrFirstFatIsFoundFromItsDirectories) {
  struct Case {
    std::uint32_t sectorSize;
    int bits;
    std::uint64_t bytes;
  };
  for (const Case c : {Case{512, 32, 96u << 20}, Case{4096, 16, 48u << 20}}) {
    const std::uint32_t sectorSize = c.sectorSize;
    SCOPED_TRACE(sectorSize);
    const fs::path image = qm::MakeSparseImage("fat_noboot.img", c.bytes);
    const fs::path src = qm::ScratchPath("fat32_noboot_src");
    fs::remove_all(src);
    std::vector<OldFile> files;
    for (int i = 0; i < 12; ++i) {
      const std::string path = "/Top" + std::to_string(i % 3) + "/Sub" + std::to_string(i) + "/file" +
                               std::to_string(i) + ".bin";
      files.push_back({path, qm::test::PatternBytes(3000 + 900 * i, 500u + static_cast<std::uint32_t>(i))});
      qm::test::WriteHostFile(src / path.substr(1), files.back().content);
    }
    try {
      qm::test::Run("mkfs.fat -F " + std::to_string(c.bits) + " -s 1 -S " + std::to_string(sectorSize) + " -n NOBOOT " + Quote(image.string()) +
          " >/dev/null");
      qm::test::Run("cd " + Quote(src.string()) + " && " + kMtools + "mcopy -s -Q -i " + Quote(image.string()) + " * ::/");
    } catch (const std::exception& error) {
      GTEST_SKIP() << error.what();
    }
    fs::remove_all(src);
    auto bytes = qm::ReadFileBytes(image);
    const CFATDBR dbr(qm::ByteView(bytes.data(), 512), sectorSize);
    const int type = c.bits == 32 ? kFatType32 : kFatType16;
    ASSERT_EQ(dbr.GetFatType(), type);
    const std::uint64_t reserved = dbr.GetReservedSectors();
    const std::uint64_t perFat = dbr.GetSectorsPerFat();
    const std::uint64_t dataStart = reserved + 2 * perFat + dbr.GetRootEntryCount() * 32 / sectorSize;
    std::fill_n(bytes.begin(), sectorSize, 0);
    std::fill_n(bytes.begin() + 6 * sectorSize, sectorSize, 0);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(reserved * sectorSize), perFat * sectorSize, 0);
    qm::MemoryDevice device(bytes, static_cast<std::int32_t>(sectorSize));

    CFATSearchController controller;
    const auto found = qm::test::SweepWith(&device, {&controller});
    const CFATSearchedPartitionInfo* volume = nullptr;
    for (const auto& record : found.records)
      if (record->GetClusterZeroSector() == dataStart && record->GetSectorsPerCluster() == 1)
        volume = static_cast<const CFATSearchedPartitionInfo*>(record.get());
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->GetFileSystemType(), static_cast<std::uint32_t>(type));
    EXPECT_EQ(volume->GetFlags() & (qm::kFatBootFlags | qm::kFatFoundBackupBoot), 0u);
    EXPECT_GE(volume->GetFoldersMatched(), 14u); // 3 + 12 folders, the first made it
    EXPECT_EQ(volume->GetScore(), 20u);
    // It outweighs every other candidate.
    for (const auto& record : found.records)
      if (record.get() != volume) {
        EXPECT_LT(record->GetFoldersMatched(), volume->GetFoldersMatched());
      }

    qm::test::TreeRoot root(controller.BuildTree(const_cast<CFATSearchedPartitionInfo*>(volume), &device, 0, nullptr));
    ASSERT_NE(root, nullptr);
    const auto copied = qm::test::CopyOut(root.get(), &device, "fat32_noboot_out");
    for (const auto& file : files) {
      const std::string path = qm::test::PathEndingWith(copied, Name(Parent(file.path)) + "/" + Name(file.path));
      ASSERT_FALSE(path.empty()) << file.path;
      EXPECT_TRUE(copied.at(path) == file.content) << file.path;
    }
  }
}

} // namespace

namespace {

// A directory entry confirms its partition when the carving search found a
// file of the entry's type exactly where the partition's geometry puts the
// entry's first cluster.
TEST(FatDeepScan, CarvedFilesAtTheirEntriesClustersCountAsFilesMatched) {
  const auto& fixture = qm::test::GetFatFixture(kFatType32);
  const qm::test::FatFixtureFile* report = fixture.Find("/Docs/Report 2024 final version.doc");
  ASSERT_NE(report, nullptr);
  ASSERT_FALSE(report->chain.empty());
  auto bytes = qm::ReadFileBytes(fixture.image);
  const CFATDBR dbr(qm::ByteView(bytes.data(), 512), 512);
  const std::uint64_t dataStart = dbr.GetReservedSectors() + 2 * std::uint64_t{dbr.GetSectorsPerFat()};
  const std::uint64_t at = dataStart + std::uint64_t{report->chain.front() - 2} * dbr.GetSectorsPerCluster();
  const int docType = RawTypeOfExtension(u"doc");
  ASSERT_NE(docType, 0);

  for (const bool right : {true, false}) {
    SCOPED_TRACE(right);
    CRawFileCollection carved;
    auto file = std::make_unique<CRawFileInfo>();
    file->SetStartSector(right ? at : at + 1);
    file->SetType(docType);
    carved.Add(std::move(file));
    auto other = std::make_unique<CRawFileInfo>();
    other->SetStartSector(dataStart); // a file of another type at cluster 2
    other->SetType(docType + 1);
    carved.Add(std::move(other));
    qm::MemoryDevice device(bytes, 512);
    CFATSearchController controller;
    controller.SetRawFileCollection(&carved);
    const auto found = qm::test::SweepWith(&device, {&controller});
    const CFATSearchedPartitionInfo* volume = OnlyFat(found, 0);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->GetFilesMatched(), right ? 1u : 0u);
  }
}

} // namespace
