// Real volumes made by mkfs.fat and mtools, read back through the boot
// sector, the allocation table, directory entries and FAT file properties,
// and checked against what the tools were asked to write.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fat_fixture.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_dir_entry.h"
#include "fatext2/fat_dir_sector_scanner.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_file_runs.h"
#include "fatext2/fat_table.h"
#include "storage/image_file_device.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

using qm::test::FatFixture;
using qm::test::GetFatFixture;

struct FoundEntry {
  std::string path;
  std::vector<std::uint8_t> raw; // the 32-byte short entry
  bool directory = false;
  bool deleted = false;
};

// Walks a volume the way a tree build does, keeping every entry it meets.
class VolumeReader {
public:
  explicit VolumeReader(IStorageDevice& device) : device_(device) {
    boot_.resize(512);
    ok_ = device_.ReadSectors(boot_.data(), 0, 1) != 0;
    dbr_ = std::make_unique<CFATDBR>(qm::ByteView(boot_.data(), boot_.size()), 512);
    if (!ok_ || !dbr_->IsFat()) return;
    fatStart_ = dbr_->GetReservedSectors();
    rootSectors_ = (dbr_->GetRootEntryCount() * 32 + 511) / 512;
    rootStart_ = fatStart_ + std::uint64_t{dbr_->GetNumberOfFats()} * dbr_->GetSectorsPerFat();
    dataStart_ = rootStart_ + rootSectors_;
    clusterCount_ =
        static_cast<std::uint32_t>((dbr_->GetTotalSectors() - dataStart_) / dbr_->GetSectorsPerCluster());
    fat_ = CreateFATTable(&device_, fatStart_, dbr_->GetFatType(), dbr_->GetSectorsPerFat(), true, true);
  }

  const CFATDBR& Dbr() const { return *dbr_; }
  const CDoubleFATTable& Fat() const { return *fat_; }
  std::uint64_t DataStart() const { return dataStart_; }
  std::uint32_t ClusterBytes() const { return dbr_->GetSectorsPerCluster() * 512; }

  // The chain from cluster, never longer than the volume has clusters.
  std::vector<std::uint32_t> Chain(std::uint32_t cluster) const {
    std::vector<std::uint32_t> chain;
    while (cluster >= 2 && cluster < qm::fat_table::kEndOfChain && chain.size() <= clusterCount_) {
      chain.push_back(cluster);
      cluster = fat_->GetNextCluster(cluster);
    }
    return chain;
  }

  std::vector<std::uint8_t> ReadClusters(const std::vector<std::uint32_t>& clusters) const {
    std::vector<std::uint8_t> bytes(clusters.size() * ClusterBytes());
    for (std::size_t i = 0; i < clusters.size(); ++i)
      EXPECT_EQ(device_.ReadSectors(bytes.data() + i * ClusterBytes(), ClusterSector(clusters[i]),
                                    dbr_->GetSectorsPerCluster()),
                1);
    return bytes;
  }

  std::uint64_t ClusterSector(std::uint32_t cluster) const {
    return dataStart_ + std::uint64_t{cluster - 2} * dbr_->GetSectorsPerCluster();
  }

  std::vector<std::uint8_t> RootDirectory() const {
    if (dbr_->GetFatType() == kFatType32) return ReadClusters(Chain(dbr_->GetRootCluster()));
    std::vector<std::uint8_t> bytes(rootSectors_ * 512);
    EXPECT_EQ(device_.ReadSectors(bytes.data(), rootStart_, rootSectors_), 1);
    return bytes;
  }

  // Every entry below the root; live folders are followed.
  void Walk(const std::vector<std::uint8_t>& directory, const std::string& parent,
            std::vector<FoundEntry>& out, int depth = 0) {
    ASSERT_LT(depth, 8);
    std::string longName;
    CFatDirEntry entry;
    for (std::size_t at = 0; at + 32 <= directory.size(); at += 32) {
      entry.SetEntry(qm::ByteView(directory.data() + at, 32));
      if (entry.IsEndOfDirectory()) break;
      ASSERT_TRUE(entry.IsValid(false)) << parent << " entry " << at / 32;
      if (entry.IsLongNamePiece()) {
        if (entry.IsDeleted()) continue;
        std::string piece;
        ASSERT_EQ(entry.GetLongNamePiece(piece), 1);
        longName = (entry.GetSequenceNumber() & 0x40) != 0 ? piece : piece + longName;
        continue;
      }
      if (entry.IsVolumeLabel()) {
        label_ = entry.GetShortName(true);
        longName.clear();
        continue;
      }
      if (entry.IsDotEntry() || entry.IsDotDotEntry()) continue;
      const bool useLong = !entry.IsDeleted() && IsValidFileName(longName.c_str()) != 0;
      FoundEntry found;
      found.path = parent + "/" + (useLong ? longName : entry.GetShortName(false));
      found.raw.assign(directory.begin() + static_cast<std::ptrdiff_t>(at),
                       directory.begin() + static_cast<std::ptrdiff_t>(at + 32));
      found.directory = entry.IsDirectory();
      found.deleted = entry.IsDeleted();
      longName.clear();
      out.push_back(found);
      if (found.directory && !found.deleted)
        Walk(ReadClusters(Chain(entry.GetFirstCluster())), found.path, out, depth + 1);
    }
  }

  const std::string& Label() const { return label_; }

private:
  IStorageDevice& device_;
  std::vector<std::uint8_t> boot_;
  bool ok_ = false;
  std::unique_ptr<CFATDBR> dbr_;
  std::unique_ptr<CDoubleFATTable> fat_;
  std::uint64_t fatStart_ = 0;
  std::uint64_t rootStart_ = 0;
  std::uint32_t rootSectors_ = 0;
  std::uint64_t dataStart_ = 0;
  std::uint32_t clusterCount_ = 0;
  std::string label_;
};

std::vector<std::uint8_t> WholeFile(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

class FatImageTest : public ::testing::TestWithParam<int> {};

TEST_P(FatImageTest, DecodesWhatTheToolsWrote) {
  const FatFixture& fixture = GetFatFixture(GetParam());
  const std::vector<std::uint8_t> before = WholeFile(fixture.image);

  CImageFileDevice device(fixture.image.c_str());
  ASSERT_EQ(device.Open(), 1);
  VolumeReader reader(device);
  ASSERT_EQ(reader.Dbr().GetFatType(), fixture.fatType);
  EXPECT_EQ(reader.Dbr().GetSectorsPerCluster(), fixture.sectorsPerCluster);
  EXPECT_EQ(std::uint64_t{reader.Dbr().GetTotalSectors()} * 512, std::filesystem::file_size(fixture.image));
  ASSERT_NE(reader.Fat().GetFirstCopy(), nullptr) << "the formatter's table passes the sanity checks";
  EXPECT_EQ(reader.Fat().GetSecondCopy(), nullptr);

  std::vector<FoundEntry> found;
  reader.Walk(reader.RootDirectory(), "", found);
  EXPECT_EQ(reader.Label(), fixture.label);

  std::map<std::string, const FoundEntry*> live;
  const FoundEntry* deleted = nullptr;
  for (const auto& entry : found) {
    if (!entry.deleted)
      EXPECT_TRUE(live.emplace(entry.path, &entry).second) << "twice: " << entry.path;
    else if (entry.path == "/#eleted.dat")
      deleted = &entry;
  }

  std::size_t expectedLive = 0;
  for (const auto& file : fixture.files) {
    if (file.deleted) continue;
    ++expectedLive;
    SCOPED_TRACE(file.path);
    const auto it = live.find(file.path);
    ASSERT_NE(it, live.end());
    const CFatDirEntry entry(qm::ByteView(it->second->raw.data(), 32));
    EXPECT_EQ(entry.IsDirectory(), file.directory);
    EXPECT_TRUE(entry.IsValid(true));
    const std::vector<std::uint32_t> chain = reader.Chain(entry.GetFirstCluster());
    EXPECT_EQ(chain, file.chain);
    if (file.directory) continue;
    EXPECT_EQ(entry.GetFileSize(), file.content.size());
    std::vector<std::uint8_t> content = reader.ReadClusters(chain);
    content.resize(entry.GetFileSize());
    EXPECT_TRUE(content == file.content);
  }
  EXPECT_EQ(live.size(), expectedLive) << "nothing found that the tools did not write";

  // The deleted file: its entry keeps size and first cluster, and its data
  // still lies in the clusters after it.
  const auto* lost = fixture.Find("/deleted.dat");
  ASSERT_NE(deleted, nullptr);
  const CFatDirEntry deletedEntry(qm::ByteView(deleted->raw.data(), 32));
  EXPECT_EQ(deletedEntry.GetFileSize(), lost->content.size());
  ASSERT_FALSE(lost->chain.empty());
  EXPECT_EQ(deletedEntry.GetFirstCluster(), lost->chain.front());
  EXPECT_EQ(reader.Fat().GetNextCluster(deletedEntry.GetFirstCluster()), 0u) << "its clusters are free";
  std::vector<std::uint32_t> guess;
  for (std::uint32_t c = deletedEntry.GetFirstCluster(); guess.size() < lost->chain.size(); ++c)
    guess.push_back(c);
  std::vector<std::uint8_t> recovered = reader.ReadClusters(guess);
  recovered.resize(deletedEntry.GetFileSize());
  EXPECT_TRUE(recovered == lost->content);

  // The same guess as the tree build makes it.
  const qm::FatVolumeGeometry geometry{reader.Dbr().GetSectorsPerCluster(), 512,
                                       reader.Dbr().GetTotalSectors()};
  const auto guessed = BuildFatFileRuns(&reader.Fat(), deletedEntry.GetFirstCluster(),
                                        deletedEntry.GetFileSize(), true, geometry);
  ASSERT_NE(guessed, nullptr);
  EXPECT_EQ(guessed->Runs(), (std::vector<DataRunEntry>{{guess.front() - 2u, guess.size()}}));

  device.Close();
  EXPECT_TRUE(WholeFile(fixture.image) == before) << "reading never writes";
}

// The fragmented file's extents go through FAT file properties and come
// back from them as runs that read the file.
TEST_P(FatImageTest, FragmentedFileThroughItsProperties) {
  const FatFixture& fixture = GetFatFixture(GetParam());
  const auto* frag = fixture.Find("/frag.bin");
  ASSERT_NE(frag, nullptr);
  std::set<std::uint32_t> gaps;
  for (std::size_t i = 1; i < frag->chain.size(); ++i)
    if (frag->chain[i] != frag->chain[i - 1] + 1) gaps.insert(frag->chain[i]);
  ASSERT_FALSE(gaps.empty()) << "the fixture's file is fragmented";

  CImageFileDevice device(fixture.image.c_str());
  ASSERT_EQ(device.Open(), 1);
  VolumeReader reader(device);
  std::vector<FoundEntry> found;
  reader.Walk(reader.RootDirectory(), "", found);
  const FoundEntry* entry = nullptr;
  for (const auto& e : found)
    if (e.path == "/frag.bin" && !e.deleted) entry = &e;
  ASSERT_NE(entry, nullptr);
  const CFatDirEntry view(qm::ByteView(entry->raw.data(), 32));

  auto properties = CreateFatFileProperties();
  properties->SetName("frag.bin");
  properties->SetSize(view.GetFileSize());
  properties->SetAttributes(view.GetAttributes());
  properties->SetCreationTime(view.GetCreationDate(), view.GetCreationTime());
  properties->SetLastWriteTime(view.GetLastWriteDate(), view.GetLastWriteTime());
  properties->SetLastAccessDate(view.GetLastAccessDate());
  properties->SetFirstCluster(view.GetFirstCluster());
  const qm::FatVolumeGeometry geometry{reader.Dbr().GetSectorsPerCluster(), 512,
                                       reader.Dbr().GetTotalSectors()};
  auto runs = BuildFatFileRuns(&reader.Fat(), view.GetFirstCluster(), view.GetFileSize(), false, geometry);
  ASSERT_NE(runs, nullptr);
  CFATDataRunList merged;
  for (const std::uint32_t cluster : reader.Chain(view.GetFirstCluster()))
    merged.AddRunMerged({cluster - 2u, 1});
  EXPECT_EQ(merged.RunCount(), gaps.size() + 1);
  EXPECT_EQ(runs->Runs(), merged.Runs()) << "the chain's fragments, each whole";
  properties->SetDataRunList(std::move(runs));

  qm::FileTime written = 0;
  EXPECT_NE(*properties->GetLastWriteTime(&written), 0u) << "the tools stamp a real time";

  auto list = properties->GetDataRunList();
  ASSERT_NE(list, nullptr);
  std::vector<std::uint8_t> content;
  const std::uint32_t spc = reader.Dbr().GetSectorsPerCluster();
  for (const DataRunEntry* run = list->FirstRun(); run != nullptr; run = list->NextRun()) {
    std::vector<std::uint8_t> bytes(run->count * spc * 512);
    ASSERT_EQ(device.ReadSectors(bytes.data(), reader.DataStart() + run->start * spc, run->count * spc), 1);
    content.insert(content.end(), bytes.begin(), bytes.end());
  }
  content.resize(properties->GetSize());
  EXPECT_TRUE(content == frag->content);
}

// The first sector of a folder is a directory start that names the folder
// and its parent; a sector inside a many-cluster folder is part of one.
TEST_P(FatImageTest, SectorScannerOnRealFolders) {
  const FatFixture& fixture = GetFatFixture(GetParam());
  CImageFileDevice device(fixture.image.c_str());
  ASSERT_EQ(device.Open(), 1);
  VolumeReader reader(device);

  const auto* docs = fixture.Find("/Docs");
  const auto* many = fixture.Find("/Docs/Many");
  ASSERT_TRUE(docs != nullptr && many != nullptr && !docs->chain.empty() && many->chain.size() > 1);
  CFatDirSectorScanner scanner;
  std::vector<std::uint8_t> sector(512);

  ASSERT_EQ(device.ReadSectors(sector.data(), reader.ClusterSector(many->chain.front()), 1), 1);
  EXPECT_TRUE(scanner.Analyze(qm::ByteView(sector.data(), sector.size())));
  EXPECT_EQ(scanner.GetKind(), CFatDirSectorScanner::kDirectoryStart);
  EXPECT_EQ(scanner.GetDotCluster(), many->chain.front());
  EXPECT_EQ(scanner.GetDotDotCluster(), docs->chain.front());

  ASSERT_EQ(device.ReadSectors(sector.data(), reader.ClusterSector(many->chain[1]), 1), 1);
  EXPECT_TRUE(scanner.Analyze(qm::ByteView(sector.data(), sector.size())));
  EXPECT_EQ(scanner.GetKind(), CFatDirSectorScanner::kPartOfDirectory);
  EXPECT_GT(scanner.GetEntryCount(), 0u);

  // The boot sector and the table's first sector are told apart too.
  ASSERT_EQ(device.ReadSectors(sector.data(), 0, 1), 1);
  EXPECT_FALSE(scanner.Analyze(qm::ByteView(sector.data(), sector.size())));
  EXPECT_TRUE(HasBootSignature(qm::ByteView(sector.data(), sector.size())));
  ASSERT_EQ(device.ReadSectors(sector.data(), reader.Dbr().GetReservedSectors(), 1), 1);
  EXPECT_EQ(IsFatTableStartSector(qm::ByteView(sector.data(), sector.size())), fixture.fatType != kFatType12);
}

// Sets the table entry of cluster in the copy at fatStart to value.
void PatchEntry(std::vector<std::uint8_t>& image, int fatType, std::uint64_t fatStart, std::uint32_t cluster,
                std::uint32_t value) {
  std::uint8_t* table = image.data() + fatStart * 512;
  if (fatType == kFatType32) {
    qm::StoreLe32(table + std::size_t{cluster} * 4, value);
  } else if (fatType == kFatType16) {
    qm::StoreLe16(table + std::size_t{cluster} * 2, static_cast<std::uint16_t>(value));
  } else {
    std::uint8_t* p = table + std::size_t{cluster} * 3 / 2;
    const std::uint16_t word = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    const std::uint16_t patched = (cluster & 1) != 0
                                      ? static_cast<std::uint16_t>((word & 0x000F) | ((value & 0xFFF) << 4))
                                      : static_cast<std::uint16_t>((word & 0xF000) | (value & 0xFFF));
    qm::StoreLe16(p, patched);
  }
}

// The fragmented file's chain made to loop back to its start in the first
// table copy. FAT16 and FAT32 reject that copy and read the untouched
// second one; a FAT12 copy is not checked for loops, so the walks over it
// must end by themselves.
TEST_P(FatImageTest, LoopInTheFirstTable) {
  const FatFixture& fixture = GetFatFixture(GetParam());
  const auto* frag = fixture.Find("/frag.bin");
  ASSERT_TRUE(frag != nullptr && frag->chain.size() > 2);
  std::vector<std::uint8_t> image = WholeFile(fixture.image);
  std::uint64_t fatStart = 0;
  std::uint32_t spf = 0;
  {
    qm::MemoryDevice pristine(image, 512);
    VolumeReader reader(pristine);
    fatStart = reader.Dbr().GetReservedSectors();
    spf = reader.Dbr().GetSectorsPerFat();
  }
  PatchEntry(image, fixture.fatType, fatStart, frag->chain.back(), frag->chain.front());
  qm::MemoryDevice device(std::move(image), 512);
  VolumeReader reader(device);
  const std::uint32_t spc = reader.Dbr().GetSectorsPerCluster();
  const qm::FatVolumeGeometry geometry{spc, 512, reader.Dbr().GetTotalSectors()};
  const std::uint64_t size = frag->content.size();

  if (fixture.fatType != kFatType12) {
    EXPECT_EQ(reader.Fat().GetFirstCopy(), nullptr);
    ASSERT_NE(reader.Fat().GetSecondCopy(), nullptr);
    EXPECT_EQ(reader.Fat().GetSecondCopy()->GetFirstSector(), fatStart + spf);
    EXPECT_EQ(reader.Chain(frag->chain.front()), frag->chain);
  } else {
    ASSERT_NE(reader.Fat().GetFirstCopy(), nullptr);
    EXPECT_EQ(reader.Fat().GetNextCluster(frag->chain.back()), frag->chain.front());
  }
  // The file's own size is covered before the loop matters.
  auto runs = BuildFatFileRuns(&reader.Fat(), frag->chain.front(), size, false, geometry);
  ASSERT_NE(runs, nullptr);
  std::vector<std::uint8_t> content;
  for (const auto& run : runs->Runs()) {
    std::vector<std::uint8_t> bytes(run.count * spc * 512);
    ASSERT_EQ(device.ReadSectors(bytes.data(), reader.DataStart() + run.start * spc, run.count * spc), 1);
    content.insert(content.end(), bytes.begin(), bytes.end());
  }
  content.resize(size);
  EXPECT_TRUE(content == frag->content);
  // A size far beyond the chain walks the loop until the volume's cluster
  // count ends it.
  BuildFatFileRuns(&reader.Fat(), frag->chain.front(), 0xFFFFFFFFull, false, geometry);
}

INSTANTIATE_TEST_SUITE_P(Types, FatImageTest, ::testing::Values(kFatType12, kFatType16, kFatType32),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == 0   ? "Fat12"
                                              : info.param == 1 ? "Fat16"
                                                                : "Fat32");
                         });

} // namespace
