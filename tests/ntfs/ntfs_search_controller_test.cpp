// The NTFS deep-scan controller over crafted sectors and the fixture
// volume cut into awkward blocks: boot-sector readings, the end-of-search
// thinning, structures that straddle two blocks, the $LogFile and template
// evidence, saving and loading the kept lists, and hostile sectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "ntfs/logfile_analyser.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_fixture.h"
#include "ntfs/ntfs_scan_evidence.h"
#include "ntfs/ntfs_search_controller.h"
#include "ntfs/ntfs_templates.h"
#include "ntfs/template_matchers.h"
#include "filemodel/file_node.h"
#include "filemodel/rs_data.h"
#include "storage/intelligent_search.h"
#include "storage/search_statistics.h"
#include "support/memory_device.h"
#include "support/memory_stream.h"

namespace {

using Candidates = std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>>;

// Drives the controller over the device in blocks of the given size, as
// the intelligent search does, and returns its candidates in map order.
Candidates RunSweep(CNTFSSearchController& controller, IStorageDevice& device, std::uint64_t blockSectors,
               SearchStatistics* statistics = nullptr) {
  controller.SetDevice(&device);
  controller.SetSectorsPerBlock(static_cast<std::uint32_t>(blockSectors));
  controller.PrepareSearch();
  SearchStatistics own;
  for (std::uint64_t first = 0; first < device.GetSectorCount(); first += blockSectors) {
    own.ResetBlockCounters();
    controller.AnalyzeBlock(first, std::min(blockSectors, device.GetSectorCount() - first),
                            statistics != nullptr ? statistics : &own);
  }
  controller.EndSearch();
  std::vector<CSearchedPartitionInfo*> found;
  controller.GetFoundPartitions(found);
  Candidates out;
  for (auto* p : found) out.emplace_back(static_cast<CSearchedNTFSPartitionInfo*>(p));
  return out;
}

// A boot sector that IsValidNTFSBootSector accepts.
void WriteBootSector(std::uint8_t* s, std::uint64_t totalSectors, std::uint64_t serial = 0x1234) {
  std::memset(s, 0, 512);
  s[0] = 0xEB;
  s[1] = 0x52;
  s[2] = 0x90;
  std::memcpy(s + 3, "NTFS    ", 8);
  qm::StoreLe16(s + 0x0B, 512);
  s[0x0D] = 8;
  qm::StoreLe64(s + 0x28, totalSectors);
  qm::StoreLe64(s + 0x30, 4);
  qm::StoreLe64(s + 0x38, totalSectors / 16);
  s[0x40] = 0xF6;
  qm::StoreLe64(s + 0x48, serial);
  s[0x1FE] = 0x55;
  s[0x1FF] = 0xAA;
}

} // namespace

TEST(NtfsSearchController, BootSectorReadings) {
  struct Expected {
    std::uint64_t start;
    std::uint32_t flags;
    // The window: the volume's sectors and its backup boot sector, cut at
    // the device's end; never rounded to whole clusters.
    std::uint64_t sectors;
    std::uint64_t clusters; // the whole ones the volume has on the device
  };
  struct Row {
    const char* what;
    std::uint64_t deviceSectors;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> boots; // sector, total sectors
    std::vector<Expected> expected;
  };
  const Row rows[] = {
      {"both boot sectors of a volume at 3000: one candidate, the backup reading of the first is gone",
       6000,
       {{3000, 1999}, {4999, 1999}},
       {{3000, qm::kFoundFirstBoot | qm::kFoundLastBoot, 2000, 249}}},
      {"a boot sector at 100 of 200 sectors: no backup reading before the disk", 1000, {{100, 200}},
       {{100, 1, 201, 25}}},
      {"only the backup at 4999: the volume at 3000, and a reading of it as a first boot sector",
       6000,
       {{4999, 1999}},
       {{3000, qm::kFoundLastBoot, 2000, 249}, {4999, qm::kFoundFirstBoot, 1001, 125}}},
      {"a boot sector in the last 7 sectors gives nothing", 1000, {{993, 2000}}, {}},
      {"a boot sector 8 sectors before the end gives a volume of 8", 1000, {{992, 2000}}, {{992, 1, 8, 1}}},
      {"a count that ends inside a cluster keeps its last sectors", 1000, {{100, 203}}, {{100, 1, 204, 25}}},
      {"a volume that fills the device to its last sector has no room for its backup", 1000, {{100, 900}},
       {{100, 1, 900, 112}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    qm::MemoryDevice device(row.deviceSectors, 512);
    for (const auto& [sector, total] : row.boots) WriteBootSector(device.sector(sector), total);
    CNTFSSearchController controller;
    SearchStatistics statistics;
    const Candidates found = RunSweep(controller, device, 256, &statistics);
    EXPECT_EQ(statistics.NTFSBootRecords, row.boots.size());
    ASSERT_EQ(found.size(), row.expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i]->GetStartSector(), row.expected[i].start);
      EXPECT_EQ(found[i]->m_nFoundFlags, row.expected[i].flags);
      EXPECT_EQ(found[i]->GetClusterZeroSector(), found[i]->GetStartSector());
      EXPECT_EQ(found[i]->GetSectorCount(), row.expected[i].sectors);
      EXPECT_EQ(found[i]->m_u64TotalClusters, row.expected[i].clusters);
    }
  }
}

TEST(NtfsSearchController, ThinningKeepsTheFirstThousandWeakCandidatesAndDropsLoneFolderReadings) {
  const auto run = [](std::size_t count, std::uint32_t flags) {
    qm::MemoryDevice device(64, 512);
    CNTFSSearchController controller;
    controller.SetDevice(&device);
    controller.SetSectorsPerBlock(64);
    controller.PrepareSearch();
    for (std::size_t i = 0; i < count; ++i) {
      auto c = std::make_unique<CSearchedNTFSPartitionInfo>();
      c->SetStartSector(i);
      c->SetSectorsPerCluster(8);
      c->m_nFoundFlags = flags;
      controller.Candidates().Insert(std::move(c));
    }
    controller.EndSearch();
    std::vector<CSearchedPartitionInfo*> found;
    controller.GetFoundPartitions(found);
    std::vector<std::uint64_t> starts;
    for (auto* p : found) {
      starts.push_back(p->GetStartSector());
      delete p;
    }
    return starts;
  };
  // Score 10 is weak: beyond the first thousand in start order they go.
  const auto weak = run(1200, qm::kFoundFirstBoot);
  ASSERT_EQ(weak.size(), 1000u);
  EXPECT_EQ(weak.back(), 999u);
  EXPECT_EQ(run(1200, qm::kFoundFirstBoot | qm::kFoundLastBoot).size(), 1200u) << "score 20 stays";
  EXPECT_EQ(run(1000, qm::kFoundFirstBoot).size(), 1000u);
  // A lone index/folder reading goes once 50 candidates remain.
  EXPECT_TRUE(run(50, qm::kFoundIndexFolder).empty());
  EXPECT_EQ(run(49, qm::kFoundIndexFolder).size(), 49u);
}

TEST(NtfsSearchController, BlocksOfAnySizeGiveTheSameEvidence) {
  // The fixture volume behind a gap, swept in 4 MiB blocks and in blocks of
  // 37, 64 and 1 sectors: records, index blocks and boot sectors that
  // straddle two blocks are each examined once, at their own sector.
  const auto& volume = qm::test::NtfsBasicImage();
  std::vector<std::uint8_t> disk(3000 * 512, 0);
  disk.insert(disk.end(), volume.begin(), volume.end());
  struct Seen {
    std::vector<std::tuple<std::uint64_t, std::uint32_t, std::uint32_t, std::uint64_t, std::uint64_t>> candidates;
    std::uint64_t fileRecords = 0;
    std::uint64_t bootRecords = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    std::size_t mfts = 0;
  };
  // block 0: the intelligent search's own sweep, blocks seen in place in
  // its read-ahead cache.
  const auto sweep = [&](std::uint64_t block) {
    qm::MemoryDevice device(disk, 512);
    CNTFSSearchController controller;
    SearchStatistics statistics;
    Seen seen;
    Candidates found;
    if (block == 0) {
      CIntelligentSearchController search;
      search.SetDevice(&device);
      search.AddEntry(&controller);
      EXPECT_EQ(search.Start(nullptr), 1);
      statistics = search.GetStatistics();
      std::vector<CSearchedPartitionInfo*> list;
      controller.GetFoundPartitions(list);
      for (auto* p : list) found.emplace_back(static_cast<CSearchedNTFSPartitionInfo*>(p));
    } else {
      found = RunSweep(controller, device, block, &statistics);
    }
    for (const auto& c : found)
      seen.candidates.emplace_back(c->GetStartSector(), c->GetSectorsPerCluster(), c->m_nFoundFlags,
                                   c->GetFoldersMatched(), c->GetScore());
    seen.fileRecords = statistics.NTFSFileRecords;
    seen.bootRecords = statistics.NTFSBootRecords;
    for (const auto& r : controller.RecordRanges()) seen.ranges.emplace_back(r.firstSector, r.count);
    seen.mfts = controller.MftList().size();
    return seen;
  };
  const Seen whole = sweep(8192);
  ASSERT_FALSE(whole.candidates.empty());
  EXPECT_EQ(std::get<0>(whole.candidates.front()) <= 3000, true);
  bool volumeFound = false;
  for (const auto& c : whole.candidates)
    if (std::get<0>(c) == 3000 && std::get<3>(c) > 0) volumeFound = true;
  EXPECT_TRUE(volumeFound) << "index blocks matched their folders at the volume's start";
  for (const std::uint64_t block : {37u, 64u, 1u, 0u}) {
    SCOPED_TRACE(block);
    const Seen small = sweep(block);
    EXPECT_EQ(small.candidates, whole.candidates);
    EXPECT_EQ(small.fileRecords, whole.fileRecords);
    EXPECT_EQ(small.bootRecords, whole.bootRecords);
    EXPECT_EQ(small.ranges, whole.ranges);
    EXPECT_EQ(small.mfts, whole.mfts);
  }
}

TEST(NtfsSearchController, SavesAndLoadsTheListsTheTreeBuildNeeds) {
  qm::MemoryDevice device(qm::test::NtfsBasicImage(), 512);
  CNTFSSearchController controller;
  const Candidates found = RunSweep(controller, device, 8192);
  ASSERT_FALSE(controller.MftList().empty());
  ASSERT_FALSE(controller.RecordRanges().empty());
  qm::test::MemoryStream stream;
  ASSERT_EQ(controller.Save(&stream), 1);
  CNTFSSearchController loaded;
  ASSERT_EQ(loaded.Load(&stream), 1);
  EXPECT_EQ(stream.Remaining(), 0u);
  ASSERT_EQ(loaded.MftList().size(), controller.MftList().size());
  for (std::size_t i = 0; i < loaded.MftList().size(); ++i) {
    EXPECT_EQ(loaded.MftList()[i].recordSector, controller.MftList()[i].recordSector);
    EXPECT_EQ(loaded.MftList()[i].extents, controller.MftList()[i].extents);
  }
  EXPECT_EQ(loaded.RecordRanges().size(), controller.RecordRanges().size());
  EXPECT_EQ(loaded.GetKind(), 0);
  EXPECT_EQ(loaded.AcceptsPartitionType(3), 1);
  EXPECT_EQ(loaded.AcceptsPartitionType(2), 0);
  EXPECT_EQ(loaded.AcceptsPartitionType(7), 0);
  // A loaded controller builds the tree from what it read.
  CFileNode* root = loaded.BuildTree(found.front().get(), &device, 0, nullptr);
  ASSERT_NE(root, nullptr);
  DeleteFileTree(root);

  // A damaged count is refused before anything is read for it.
  qm::test::MemoryStream damaged;
  qm::RSWrite<std::uint64_t>(damaged, ~std::uint64_t{0});
  CNTFSSearchController refused;
  EXPECT_EQ(refused.Load(&damaged), 0);
  EXPECT_TRUE(refused.MftList().empty());
}

TEST(NtfsTemplateMatcher, EachSectorMatchesOnlyItsOwnTemplate) {
  qm::CNtfsTemplateMatcher upcase(qm::CNtfsTemplateMatcher::Kind::kUpCase, 512);
  qm::CNtfsTemplateMatcher attrdef(qm::CNtfsTemplateMatcher::Kind::kAttrDef, 512);
  // Every sector of the table in order, then sector 3 alone.
  for (std::size_t k = 0; k < qm::ntfs_templates::kUpCaseTemplates; ++k) {
    upcase.MatchTemplates(1000 + k, qm::ntfs_templates::UpCaseTemplate(k));
    attrdef.MatchTemplates(1000 + k, qm::ntfs_templates::UpCaseTemplate(k));
  }
  EXPECT_EQ(upcase.Matches().Total(), 256u) << "sector 45 starts with a code unit that changes case";
  EXPECT_EQ(attrdef.Matches().Total(), 0u);
  std::vector<std::uint8_t> sector(qm::ntfs_templates::UpCaseTemplate(3).data(),
                                   qm::ntfs_templates::UpCaseTemplate(3).data() + 512);
  upcase.MatchTemplates(5000, qm::ByteView(sector.data(), 512));
  EXPECT_EQ(upcase.Matches().Runs().back().first, 5000u);
  sector[300] ^= 1;
  upcase.MatchTemplates(6000, qm::ByteView(sector.data(), 512));
  EXPECT_EQ(upcase.Matches().Total(), 257u) << "one changed byte is no match";
  // A 4096-byte sector holding $AttrDef's five sectors matches in 512-byte
  // units.
  qm::CNtfsTemplateMatcher big(qm::CNtfsTemplateMatcher::Kind::kAttrDef, 4096);
  std::vector<std::uint8_t> four(4096, 0);
  std::memcpy(four.data(), qm::ntfs_templates::kAttrDefBytes, qm::ntfs_templates::kAttrDefTemplateBytes);
  big.MatchTemplates(10, qm::ByteView(four.data(), four.size()));
  EXPECT_EQ(big.Matches().Total(), 5u);
  EXPECT_EQ(big.Matches().Runs().front().first, 80u);
}

TEST(NtfsSectorRunList, CountsUnitsInsideARange) {
  qm::NtfsSectorRunList list;
  list.Add(10, 5);  // 10..14
  list.Add(15);     // joins: 10..15
  list.Add(20, 10); // 20..29
  list.Add(100);
  list.Add(50); // out of order: ignored
  ASSERT_EQ(list.Runs().size(), 3u);
  const struct {
    std::uint64_t begin, end, count;
  } rows[] = {{0, 10, 0},   {0, 11, 1},   {10, 16, 6}, {12, 22, 6}, {15, 20, 1},
              {16, 20, 0},  {0, 1000, 17}, {29, 101, 2}, {30, 100, 0}, {50, 50, 0}};
  for (const auto& r : rows)
    EXPECT_EQ(list.CountInside(r.begin, r.end), r.count) << r.begin << ".." << r.end;
}

TEST(NtfsLogFileAnalyser, TwoRestartPagesPlaceTheVolume) {
  // The fixture's $LogFile record (record 2, two records after the $MFT's
  // at sector 32) with restart pages where its first cluster would lie on
  // a volume starting at sector 4096.
  std::vector<std::uint8_t> image = qm::test::NtfsBasicImage();
  std::span<std::uint8_t> record(image.data() + 36 * 512, 1024);
  qm::NtfsCandidateMap map;
  map.SetDevice(1 << 20, 512);
  qm::CNtfsLogFileAnalyser log(map, 512);
  log.AddLogFileRecord(36, record);
  ASSERT_EQ(log.Records().size(), 1u);
  const std::int64_t cluster = VcnToLcn(log.Records().front().dataRuns, 0);
  ASSERT_GT(cluster, 0);
  const std::uint64_t r = 4096 + static_cast<std::uint64_t>(cluster) * 8;
  log.AnalyzeRSTRRecord(r);
  log.AnalyzeRSTRRecord(r + 8);
  bool both = false;
  for (const auto& [key, c] : map.Entries()) {
    if (key.first == 4096) {
      EXPECT_EQ(c->m_nFoundFlags, qm::kFoundFirstRstr | qm::kFoundSecondRstr);
      both = true;
    }
    EXPECT_NE(key.first, 4096 + 8) << "the second page is no first page";
  }
  EXPECT_TRUE(both);
  // A restart page at sector 8 proposes no volume before the disk.
  qm::NtfsCandidateMap small;
  small.SetDevice(1 << 20, 512);
  qm::CNtfsLogFileAnalyser early(small, 512);
  early.AddLogFileRecord(36, record);
  early.AnalyzeRSTRRecord(8);
  for (const auto& [key, c] : small.Entries()) EXPECT_EQ(c->m_nFoundFlags & qm::kFoundSecondRstr, 0u);
}

TEST(NtfsSearchController, HostileSectorsEndCleanly) {
  // Sectors that begin with every magic the scan looks for, followed by
  // noise, copies of real records and index blocks with bytes flipped, and
  // boot sectors claiming sizes near 2^64, at every alignment.
  const auto& volume = qm::test::NtfsBasicImage();
  std::mt19937_64 random(7);
  std::vector<std::uint8_t> disk(8192 * 512);
  for (auto& b : disk) b = static_cast<std::uint8_t>(random());
  const char* magics[] = {"FILE", "INDX", "RSTR", "RCRD", "NTFS"};
  for (std::size_t s = 0; s + 16 < 8192; s += 1 + random() % 5) {
    std::uint8_t* p = disk.data() + s * 512;
    switch (random() % 4) {
    case 0:
      std::memcpy(p, magics[random() % 5], 4);
      break;
    case 1: { // a real sector of the volume, a few bytes changed
      const std::size_t from = (random() % (volume.size() / 512 - 16)) * 512;
      std::memcpy(p, volume.data() + from, 16 * 512);
      for (int i = 0; i < 4; ++i) p[random() % (16 * 512)] ^= static_cast<std::uint8_t>(1 + random() % 255);
      break;
    }
    case 2:
      WriteBootSector(p, random(), random());
      p[0x0D] = static_cast<std::uint8_t>(1u << (random() % 8));
      break;
    default:
      break;
    }
  }
  qm::MemoryDevice device(disk, 512);
  CNTFSSearchController controller;
  const Candidates found = RunSweep(controller, device, 1000);
  int built = 0;
  for (const auto& c : found) {
    if (built++ == 8) break;
    DeleteFileTree(controller.BuildTree(c.get(), &device, built, nullptr));
  }
  SUCCEED();
}
