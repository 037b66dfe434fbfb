#include "storage/partition_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "storage/boot_record_chain.h"
#include "storage/gpt.h"
#include "storage/image_file_device.h"
#include "storage/partition_device.h"
#include "storage/volume_analyzer.h"
#include "support/scratch_files.h"
#include "support/sha256.h"

namespace {

using Extent = std::pair<std::uint64_t, std::uint64_t>; // start, count

// A disk of any size that keeps only the sectors written to it; the rest
// read as zeros. Sectors can be made unreadable.
class SparseDisk : public IStorageDevice {
public:
  explicit SparseDisk(std::uint64_t sectors, std::int32_t sectorSize = 512)
      : sectors_(sectors), size_(sectorSize) {}

  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first >= sectors_ || count > sectors_ - first) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::uint64_t i = 0; i < count; ++i)
      if (failing_.count(first + i) != 0) return 0;
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto it = data_.find(first + i);
      std::uint8_t* to = out + i * static_cast<std::uint64_t>(size_);
      if (it == data_.end())
        std::memset(to, 0, static_cast<std::size_t>(size_));
      else
        std::memcpy(to, it->second.data(), static_cast<std::size_t>(size_));
    }
    return 1;
  }
  std::uint64_t GetSectorCount() override { return sectors_; }
  std::int32_t GetSectorSize() override { return size_; }
  int Open() override { return 1; }
  int Close() override { return 1; }

  std::uint8_t* Sector(std::uint64_t index) {
    auto& bytes = data_[index];
    bytes.resize(static_cast<std::size_t>(size_));
    return bytes.data();
  }
  void Fail(std::uint64_t index) { failing_.insert(index); }

private:
  std::uint64_t sectors_;
  std::int32_t size_;
  std::map<std::uint64_t, std::vector<std::uint8_t>> data_;
  std::set<std::uint64_t> failing_;
};

void PutEntry(std::uint8_t* sector, int index, std::uint8_t type, std::uint32_t start, std::uint32_t count,
              std::uint8_t boot = 0) {
  std::uint8_t* entry = sector + qm::kMbrTableOffset + qm::kMbrEntrySize * static_cast<std::size_t>(index);
  entry[qm::kMbrEntryBootOffset] = boot;
  entry[qm::kMbrEntryTypeOffset] = type;
  qm::StoreLe32(entry + qm::kMbrEntryStartOffset, start);
  qm::StoreLe32(entry + qm::kMbrEntryCountOffset, count);
  sector[qm::kMbrSignatureOffset] = 0x55;
  sector[qm::kMbrSignatureOffset + 1] = 0xAA;
}

std::vector<Extent> Extents(const DiskPartitionList& records) {
  std::vector<Extent> out;
  for (const auto& record : records)
    out.emplace_back(record->startSector, record->sectorCount);
  return out;
}

// Table tests see the table alone: no analyser recognises anything.
class NoAnalyzers {
public:
  NoAnalyzers() {
    for (auto slot :
         {qm::VolumeAnalyzerSlot::Ntfs, qm::VolumeAnalyzerSlot::Fat, qm::VolumeAnalyzerSlot::Ext2})
      qm::RegisterVolumeAnalyzer(slot, {});
  }

private:
  qm::ScopedVolumeAnalyzers restore_;
};

// An analyser that recognises a file system of the given type and size
// wherever the first bytes of the start sector read "FS".
class TaggedVolume : public IVolume {
public:
  TaggedVolume(IStorageDevice* device, std::uint64_t start) {
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(device->GetSectorSize()));
    if (!device->ReadSectors(sector.data(), start, 1) || sector[0] != 'F' || sector[1] != 'S') return;
    type_ = sector[2];
    std::memcpy(&size_, sector.data() + 8, 8);
    std::memcpy(label_, sector.data() + 16, 16);
  }
  int GetFileSystemType() override { return type_; }
  std::uint64_t GetSectorCount() override { return size_; }
  void GetLabel(char* buffer, int length) override {
    std::memset(buffer, 0, static_cast<std::size_t>(length));
    std::memcpy(buffer, label_, std::min<std::size_t>(sizeof label_, static_cast<std::size_t>(length)));
  }

private:
  int type_ = 7;
  std::uint64_t size_ = 0;
  char label_[16] = {};
};

void PutFileSystem(SparseDisk& disk, std::uint64_t start, std::uint8_t type, std::uint64_t size,
                   const char* label) {
  std::uint8_t* sector = disk.Sector(start);
  sector[0] = 'F';
  sector[1] = 'S';
  sector[2] = type;
  std::memcpy(sector + 8, &size, 8);
  std::strncpy(reinterpret_cast<char*>(sector + 16), label, 15);
}

class TaggedAnalyzer {
public:
  TaggedAnalyzer() {
    qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Ntfs, {});
    qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Fat, [](IStorageDevice* d, std::uint64_t s) {
      return std::make_unique<TaggedVolume>(d, s);
    });
    qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Ext2, {});
  }

private:
  qm::ScopedVolumeAnalyzers restore_;
};

// ---------------------------------------------------------------- MBR

TEST(ReadDiskPartitionTable, PrimariesAndAnExtendedChain) {
  NoAnalyzers analyzers;
  SparseDisk disk(100000);
  std::uint8_t* mbr = disk.Sector(0);
  PutEntry(mbr, 0, 0x07, 2048, 1000, 0x80);
  PutEntry(mbr, 1, 0x05, 10000, 20000);
  PutEntry(mbr, 2, 0x1B, 40000, 500); // hidden FAT32
  // Boot records at 10000 and 12000: logicals at 10000+63 and 12000+63.
  PutEntry(disk.Sector(10000), 0, 0x83, 63, 1000);
  PutEntry(disk.Sector(10000), 1, 0x05, 2000, 3000);
  PutEntry(disk.Sector(12000), 0, 0x07, 63, 2000);
  DiskPartitionList records;
  EXPECT_EQ(ReadDiskPartitionTable(&disk, records), 4u);
  EXPECT_EQ(Extents(records),
            (std::vector<Extent>{{2048, 1000}, {10063, 1000}, {12063, 2000}, {40000, 500}}));
  for (const auto& record : records) {
    EXPECT_EQ(record->fileSystemType, 7);
    EXPECT_EQ(record->volumeLabel[0], '\0');
    EXPECT_EQ(record->driveLetter, 0);
    // The window reads the disk from the partition's first sector.
    ASSERT_NE(record->partitionDevice, nullptr);
    auto* window = dynamic_cast<CBasicPartitionDevice*>(record->partitionDevice.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetStartSector(), record->startSector);
    EXPECT_EQ(window->GetSectorCount(), record->sectorCount);
    EXPECT_EQ(window->GetParent(), &disk);
  }
}

TEST(ReadDiskPartitionTable, CraftedMbrRules) {
  NoAnalyzers analyzers;
  struct Case {
    const char* rule;
    std::function<void(SparseDisk&)> build;
    std::vector<Extent> expected;
  } cases[] = {
      {"no signature: no table",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x07, 100, 100);
         d.Sector(0)[511] = 0;
       },
       {}},
      {"a boot indicator other than 0x00 or 0x80: no table",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x07, 100, 100);
         PutEntry(d.Sector(0), 3, 0x00, 0, 0, 0x01);
       },
       {}},
      {"empty entries are skipped, a zero count takes the rest of the disk",
       [](SparseDisk& d) { PutEntry(d.Sector(0), 1, 0x83, 100, 0); },
       {{100, 900}}},
      {"a partition that begins past the disk end yields nothing",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x83, 1000, 10);
         PutEntry(d.Sector(0), 1, 0x83, 0xFFFFFFFF, 10);
       },
       {}},
      {"a partition that runs past the disk end is cut at it",
       [](SparseDisk& d) { PutEntry(d.Sector(0), 0, 0x83, 990, 0xFFFFFFFF); },
       {{990, 10}}},
      {"a 0x42 entry marks a dynamic disk: nothing",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x83, 100, 100);
         PutEntry(d.Sector(0), 3, 0x42, 300, 100);
       },
       {}},
      {"a 0x42 entry in a boot record is skipped",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x0F, 100, 800);
         PutEntry(d.Sector(100), 0, 0x42, 10, 50);
         PutEntry(d.Sector(100), 1, 0x83, 70, 50);
       },
       {{170, 50}}},
      {"a Linux extended partition (0x85) is walked too",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x85, 100, 800);
         PutEntry(d.Sector(100), 0, 0x83, 1, 50);
       },
       {{101, 50}}},
      {"a boot record that lists a start already listed ends the chain there",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x05, 100, 800);
         PutEntry(d.Sector(100), 0, 0x83, 310, 5); // 410
         PutEntry(d.Sector(100), 1, 0x05, 200, 100);
         PutEntry(d.Sector(300), 0, 0x83, 20, 5);  // 320
         PutEntry(d.Sector(300), 1, 0x83, 110, 5); // 410 again: the rest is skipped
         PutEntry(d.Sector(300), 2, 0x83, 30, 5);
         PutEntry(d.Sector(300), 3, 0x05, 400, 100);
         PutEntry(d.Sector(500), 0, 0x83, 1, 5);
       },
       {{410, 5}, {320, 5}}},
      {"a boot record that points at itself is read once",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x05, 100, 800);
         PutEntry(d.Sector(100), 0, 0x05, 0, 800);
         PutEntry(d.Sector(100), 1, 0x83, 10, 50);
       },
       {{110, 50}}},
      {"an extended entry of the MBR that points at the MBR is not followed",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x05, 0, 800);
         PutEntry(d.Sector(0), 1, 0x83, 10, 50);
       },
       {{10, 50}}},
      {"two boot records that point at each other are each read once",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x05, 100, 800);
         PutEntry(d.Sector(100), 0, 0x83, 10, 5);
         PutEntry(d.Sector(100), 1, 0x05, 100, 800);
         PutEntry(d.Sector(200), 0, 0x83, 10, 5);
         PutEntry(d.Sector(200), 1, 0x05, 0, 800);
       },
       {{110, 5}, {210, 5}}},
      {"an unreadable boot record keeps what was found before it",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x83, 10, 20);
         PutEntry(d.Sector(0), 1, 0x05, 100, 800);
         PutEntry(d.Sector(0), 2, 0x83, 40, 20);
         d.Fail(100);
       },
       {{10, 20}, {40, 20}}},
      {"an unreadable sector 0 yields nothing",
       [](SparseDisk& d) {
         PutEntry(d.Sector(0), 0, 0x83, 10, 20);
         d.Fail(0);
       },
       {}},
  };
  for (const Case& c : cases) {
    SparseDisk disk(1000);
    c.build(disk);
    DiskPartitionList records;
    EXPECT_EQ(ReadDiskPartitionTable(&disk, records), c.expected.size()) << c.rule;
    EXPECT_EQ(Extents(records), c.expected) << c.rule;
  }
}

TEST(ReadDiskPartitionTable, LongAndLoopingChainsEnd) {
  NoAnalyzers analyzers;
  // Boot records each with one logical and a link to the next: the walk
  // takes BootRecordChainGuard::kMaxBootRecords records, sector 0 included.
  SparseDisk disk(1u << 20);
  PutEntry(disk.Sector(0), 0, 0x05, 1000, 900000);
  for (std::uint32_t i = 0; i < 600; ++i) {
    std::uint8_t* ebr = disk.Sector(1000 + 100 * i);
    PutEntry(ebr, 0, 0x83, 1, 10);
    PutEntry(ebr, 1, 0x05, 100 * (i + 1), 100);
  }
  DiskPartitionList records;
  EXPECT_EQ(ReadDiskPartitionTable(&disk, records),
            static_cast<std::size_t>(qm::BootRecordChainGuard::kMaxBootRecords - 1));

  // A chain of links only, round a circle of 700 boot records.
  SparseDisk circle(1u << 20);
  PutEntry(circle.Sector(0), 0, 0x05, 1000, 900000);
  for (std::uint32_t i = 0; i < 700; ++i)
    PutEntry(circle.Sector(1000 + i), 0, 0x05, (i + 1) % 700, 10);
  DiskPartitionList none;
  EXPECT_EQ(ReadDiskPartitionTable(&circle, none), 0u);
}

TEST(ReadDiskPartitionTable, AppendsToAListAndChecksOnlyItsOwnStarts) {
  NoAnalyzers analyzers;
  SparseDisk disk(1000);
  PutEntry(disk.Sector(0), 0, 0x05, 100, 800);
  PutEntry(disk.Sector(100), 0, 0x83, 10, 50);
  DiskPartitionList records;
  // A record of another disk at the same start does not end this chain.
  records.push_back(std::make_unique<DiskPartitionRecord>());
  records.back()->startSector = 110;
  EXPECT_EQ(ReadDiskPartitionTable(&disk, records), 2u);
  EXPECT_EQ(records[1]->startSector, 110u);
}

// ---------------------------------------------------------------- file systems in partitions

TEST(ReadDiskPartitionTable, FileSystemsGiveTypeLabelAndSize) {
  TaggedAnalyzer analyzers;
  struct Case {
    const char* rule;
    bool gpt;
    std::uint64_t fsSize; // 0: no file system
    std::vector<Extent> expected;
  } cases[] = {
      {"no file system: the table's size", true, 0, {{2048, 204800}}},
      // The window keeps the table's extent; the file system's own size
      // stands beside it.
      {"a smaller file system: the table's size", true, 100000, {{2048, 204800}}},
      {"a larger file system that ends before the disk end: the table's size", true, 300000, {{2048, 204800}}},
      {"a file system that reaches the disk end: the table's size", true, 500000 - 2048, {{2048, 204800}}},
      {"GPT: no second record however far the sizes differ", true, 204800 - 40000, {{2048, 204800}}},
      {"MBR: a gap of 40,000 sectors lists the table's size, then the file system's",
       false,
       204800 - 40000,
       {{2048, 204800}, {2048, 164801}}},
      // The second window covers the NTFS volume with its backup boot
      // sector, one past its own count.
      {"MBR: a gap of 32,130 sectors is enough", false, 204800 - 32130, {{2048, 204800}, {2048, 172671}}},
      {"MBR: a gap of 32,129 sectors is not", false, 204800 - 32129, {{2048, 204800}}},
      {"MBR: a larger file system by 40,000 sectors too",
       false,
       204800 + 40000,
       {{2048, 204800}, {2048, 244801}}},
  };
  for (const Case& c : cases) {
    SparseDisk disk(500000);
    if (c.gpt) {
      PutEntry(disk.Sector(0), 0, 0xEE, 1, 499999);
      std::uint8_t* entries = disk.Sector(2);
      // Basic data partition EBD0A0A2-B9E5-4433-87C0-68B6B72699C7.
      const std::uint8_t guid[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                     0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
      std::memcpy(entries, guid, 16);
      qm::StoreLe64(entries + 32, 2048);
      qm::StoreLe64(entries + 40, 206847);
    } else {
      PutEntry(disk.Sector(0), 0, 0x07, 2048, 204800);
    }
    if (c.fsSize != 0) PutFileSystem(disk, 2048, 3, c.fsSize, "DATA");
    DiskPartitionList records;
    ReadDiskPartitionTable(&disk, records);
    EXPECT_EQ(Extents(records), c.expected) << c.rule;
    for (const auto& record : records) {
      EXPECT_EQ(record->volumeSectorCount, c.fsSize) << c.rule;
      EXPECT_EQ(record->fileSystemType, c.fsSize != 0 ? 3 : 7) << c.rule;
      EXPECT_STREQ(record->volumeLabel, c.fsSize != 0 ? "DATA" : "") << c.rule;
    }
  }
}

// Entries written for a larger disk: each runs past this disk's end and
// holds a file system smaller than what is left. Each entry is listed once,
// cut at the disk's end; the file system's own size stands beside it.
TEST(ReadDiskPartitionTable, EntriesPastTheDiskEndAreListedOnceEach) {
  TaggedAnalyzer analyzers;
  SparseDisk disk(500000);
  PutEntry(disk.Sector(0), 0, 0x07, 2048, 600000);
  PutEntry(disk.Sector(0), 1, 0x07, 200000, 400000);
  PutEntry(disk.Sector(0), 2, 0x07, 400000, 200000);
  PutFileSystem(disk, 2048, 3, 100000, "ONE");
  PutFileSystem(disk, 200000, 3, 100000, "TWO");
  PutFileSystem(disk, 400000, 3, 90000, "THREE");
  DiskPartitionList records;
  EXPECT_EQ(ReadDiskPartitionTable(&disk, records), 3u);
  EXPECT_EQ(Extents(records), (std::vector<Extent>{{2048, 497952}, {200000, 300000}, {400000, 100000}}));
  const std::uint64_t own[] = {100000, 100000, 90000};
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i]->volumeSectorCount, own[i]);
    EXPECT_EQ(records[i]->partitionDevice->GetSectorCount(), records[i]->sectorCount);
  }
}

TEST(ReadDiskPartitionTable, AFileSystemFromSectorZeroWithoutTable) {
  TaggedAnalyzer analyzers;
  struct Case {
    std::uint64_t fsSize;
    std::uint64_t expected;
  } cases[] = {{2880, 2880}, {5000, 5000}, {5001, 5000}, {~std::uint64_t{0}, 5000}};
  for (const Case& c : cases) {
    SparseDisk disk(5000);
    PutFileSystem(disk, 0, 1, c.fsSize, "STICK");
    disk.Sector(0)[510] = 0x55;
    disk.Sector(0)[511] = 0xAA;
    disk.Sector(0)[446] = 0x29; // boot code where a table would be: not a table
    DiskPartitionList records;
    ASSERT_EQ(ReadDiskPartitionTable(&disk, records), 1u) << c.fsSize;
    EXPECT_EQ(records[0]->startSector, 0u);
    EXPECT_EQ(records[0]->sectorCount, c.expected) << c.fsSize;
    EXPECT_EQ(records[0]->volumeSectorCount, c.fsSize);
    EXPECT_EQ(records[0]->fileSystemType, 1);
    EXPECT_STREQ(records[0]->volumeLabel, "STICK");
  }
}

// ---------------------------------------------------------------- GPT

std::vector<std::uint8_t> TypeGuidBytes(const char* text) {
  // 8-4-4-4-12 text to stored bytes (first three groups little-endian).
  unsigned int d1 = 0, d2 = 0, d3 = 0, b[8] = {};
  std::sscanf(text, "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3], &b[4],
              &b[5], &b[6], &b[7]);
  std::vector<std::uint8_t> out(16);
  qm::StoreLe32(out.data(), d1);
  qm::StoreLe16(out.data() + 4, static_cast<std::uint16_t>(d2));
  qm::StoreLe16(out.data() + 6, static_cast<std::uint16_t>(d3));
  for (int i = 0; i < 8; ++i)
    out[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(b[i]);
  return out;
}

// Writes a sound GPT header at `lba` for an array at `arrayLba` whose bytes
// are in `array`.
void PutGptHeader(SparseDisk& disk, std::uint64_t lba, std::uint64_t arrayLba, std::uint32_t count,
                  std::uint32_t entrySize, std::uint32_t arrayCrc) {
  std::uint8_t* header = disk.Sector(lba);
  std::memset(header, 0, 512);
  std::memcpy(header, "EFI PART", 8);
  qm::StoreLe32(header + 8, 0x00010000);
  qm::StoreLe32(header + qm::kGptHeaderSizeOffset, 92);
  qm::StoreLe64(header + qm::kGptMyLbaOffset, lba);
  qm::StoreLe64(header + qm::kGptEntriesLbaOffset, arrayLba);
  qm::StoreLe32(header + qm::kGptEntryCountOffset, count);
  qm::StoreLe32(header + qm::kGptEntrySizeOffset, entrySize);
  qm::StoreLe32(header + qm::kGptEntriesCrcOffset, arrayCrc);
  qm::StoreLe32(header + qm::kGptHeaderCrcOffset, qm::GptCrc32(qm::ByteView(header, 92)));
}

TEST(ReadDiskPartitionTable, CraftedGptRules) {
  NoAnalyzers analyzers;
  constexpr std::uint64_t kDisk = 100000;
  const auto basic = TypeGuidBytes("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
  const auto put = [&](SparseDisk& d, std::uint64_t arrayLba, int index,
                       const std::vector<std::uint8_t>& guid, std::uint64_t first, std::uint64_t last,
                       std::uint32_t entrySize = 128) {
    const std::uint64_t offset = static_cast<std::uint64_t>(index) * entrySize;
    std::uint8_t* entry = d.Sector(arrayLba + offset / 512) + offset % 512;
    std::memcpy(entry, guid.data(), 16);
    qm::StoreLe64(entry + 32, first);
    qm::StoreLe64(entry + 40, last);
  };
  const auto arrayCrc = [](SparseDisk& d, std::uint64_t lba, std::uint64_t bytes) {
    std::vector<std::uint8_t> all(static_cast<std::size_t>((bytes + 511) / 512 * 512));
    d.ReadSectors(all.data(), lba, all.size() / 512);
    return qm::GptCrc32(qm::ByteView(all.data(), static_cast<std::size_t>(bytes)));
  };
  struct Case {
    const char* rule;
    std::function<void(SparseDisk&)> build;
    std::vector<Extent> expected;
  } cases[] = {
      {"no header: the usual array at sector 2; unknown, empty and MBR-scheme entries skipped",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 100, 199);
         put(d, 2, 1, TypeGuidBytes("024DEE41-33E7-11D3-9D69-0008C781F39F"), 300, 399);
         put(d, 2, 2, TypeGuidBytes("2568845D-2332-4675-BC39-8FA5A4748D15"), 400, 499);
         put(d, 2, 127, TypeGuidBytes("0FC63DAF-8483-4772-8E79-3D69D8477DE4"), 500, 599);
       },
       {{100, 100}, {500, 100}}},
      {"entries that begin past the end, run past it or end before they begin",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, kDisk, kDisk + 10);
         put(d, 2, 1, basic, ~std::uint64_t{0}, ~std::uint64_t{0});
         put(d, 2, 2, basic, kDisk - 10, kDisk + 1000);
         put(d, 2, 3, basic, 500, 100);
         put(d, 2, 4, basic, 0, ~std::uint64_t{0});
       },
       {{kDisk - 10, 10}, {500, kDisk - 500}, {0, kDisk}}},
      {"a sound header puts 200 entries of 256 bytes at sector 64",
       [&](SparseDisk& d) {
         put(d, 64, 0, basic, 1000, 1999, 256);
         put(d, 64, 199, basic, 3000, 3999, 256);
         PutGptHeader(d, 1, 64, 200, 256, arrayCrc(d, 64, 200 * 256));
         put(d, 2, 0, basic, 5000, 5999); // where the usual layout would look
       },
       {{1000, 1000}, {3000, 1000}}},
      {"a damaged primary header: the backup at the last sector",
       [&](SparseDisk& d) {
         put(d, kDisk - 33, 5, basic, 7000, 7999);
         PutGptHeader(d, kDisk - 1, kDisk - 33, 128, 128, arrayCrc(d, kDisk - 33, 128 * 128));
         std::memcpy(d.Sector(1), "EFI PART", 8); // no sound CRC
         put(d, 2, 0, basic, 5000, 5999);
       },
       {{7000, 1000}}},
      {"a primary array that fails its CRC: the backup's",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 5000, 5999);
         PutGptHeader(d, 1, 2, 128, 128, arrayCrc(d, 2, 128 * 128) ^ 1);
         put(d, kDisk - 33, 5, basic, 7000, 7999);
         PutGptHeader(d, kDisk - 1, kDisk - 33, 128, 128, arrayCrc(d, kDisk - 33, 128 * 128));
       },
       {{7000, 1000}}},
      {"both arrays fail: the usual array as it stands",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 5000, 5999);
         PutGptHeader(d, 1, 2, 128, 128, 0);
         PutGptHeader(d, kDisk - 1, kDisk - 33, 128, 128, 0);
       },
       {{5000, 1000}}},
      {"a header with 2^32-1 entries is refused before anything is allocated",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 5000, 5999);
         PutGptHeader(d, 1, 2, 0xFFFFFFFF, 128, 0);
       },
       {{5000, 1000}}},
      {"a header with entries of 2^32-8 bytes is refused",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 5000, 5999);
         PutGptHeader(d, 1, 2, 1, 0xFFFFFFF8, 0);
       },
       {{5000, 1000}}},
      {"a header with entries of 100 bytes is refused",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 5000, 5999);
         PutGptHeader(d, 1, 2, 128, 100, arrayCrc(d, 2, 128 * 100));
       },
       {{5000, 1000}}},
      {"a header whose array lies past the disk end is refused",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 5000, 5999);
         PutGptHeader(d, 1, kDisk - 10, 128, 128, 0);
       },
       {{5000, 1000}}},
      {"a header that names another sector as its own is refused",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 5000, 5999);
         put(d, 64, 0, basic, 1000, 1999);
         PutGptHeader(d, 1, 64, 128, 128, arrayCrc(d, 64, 128 * 128));
         std::uint8_t* header = d.Sector(1);
         qm::StoreLe64(header + qm::kGptMyLbaOffset, 7);
         qm::StoreLe32(header + qm::kGptHeaderCrcOffset, 0);
         qm::StoreLe32(header + qm::kGptHeaderCrcOffset, qm::GptCrc32(qm::ByteView(header, 92)));
       },
       {{5000, 1000}}},
      {"an unreadable array yields nothing",
       [&](SparseDisk& d) {
         put(d, 2, 0, basic, 5000, 5999);
         d.Fail(20);
       },
       {}},
  };
  for (const Case& c : cases) {
    SparseDisk disk(kDisk);
    PutEntry(disk.Sector(0), 0, 0xEE, 1, kDisk - 1);
    c.build(disk);
    DiskPartitionList records;
    EXPECT_EQ(ReadDiskPartitionTable(&disk, records), c.expected.size()) << c.rule;
    EXPECT_EQ(Extents(records), c.expected) << c.rule;
  }
}

TEST(ReadDiskPartitionTable, GptOnDisksOf4096ByteSectors) {
  NoAnalyzers analyzers;
  SparseDisk disk(10000, 4096);
  PutEntry(disk.Sector(0), 0, 0xEE, 1, 9999);
  const auto guid = TypeGuidBytes("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
  std::uint8_t* entry = disk.Sector(2) + 128 * 3;
  std::memcpy(entry, guid.data(), 16);
  qm::StoreLe64(entry + 32, 256);
  qm::StoreLe64(entry + 40, 511);
  DiskPartitionList records;
  ASSERT_EQ(ReadDiskPartitionTable(&disk, records), 1u);
  EXPECT_EQ(Extents(records), (std::vector<Extent>{{256, 256}}));
  EXPECT_EQ(records[0]->partitionDevice->GetSectorSize(), 4096);
}

// ---------------------------------------------------------------- real tables

// "start=  2048, size=  8192, type=83" lines of sfdisk --dump, and the
// partition rows of sgdisk -p ("   1   2048   4095   1024.0 KiB  EF00  name").
std::vector<std::tuple<std::uint64_t, std::uint64_t, std::string>>
ToolPartitions(const std::string& command) {
  const std::filesystem::path out = qm::ScratchPath("partition_table_tool.txt");
  EXPECT_EQ(qm::RunCommand(command + " > " + out.string() + " 2>/dev/null"), 0) << command;
  std::ifstream in(out);
  std::vector<std::tuple<std::uint64_t, std::uint64_t, std::string>> parts;
  std::string line;
  const std::regex dump(R"(start=\s*(\d+), size=\s*(\d+), type=(\w+))");
  const std::regex gpt(R"(^\s+\d+\s+(\d+)\s+(\d+)\s+\S+ \S+\s+(\w{4}))");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, dump))
      parts.emplace_back(std::stoull(m[1]), std::stoull(m[2]), m[3]);
    else if (std::regex_search(line, m, gpt))
      parts.emplace_back(std::stoull(m[1]), std::stoull(m[2]) - std::stoull(m[1]) + 1, m[3]);
  }
  return parts;
}

// The table sectors' hash and the file's time of change (a hash of the
// whole 64 MiB would take seconds under the sanitizers).
std::string StateOf(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes = qm::ReadFileBytes(path);
  bytes.resize(64 * 512);
  qm::test::Sha256 hash;
  hash.Update(bytes.data(), bytes.size());
  return hash.HexDigest() + std::to_string(std::filesystem::last_write_time(path).time_since_epoch().count());
}

class RealTables : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    paths_ = qm::MakeImagesWithTools(
        {
            // Primaries with hidden types, an extended chain of three
            // logicals, a primary after it.
            {"pt_mbr.img", "printf 'label: dos\\n"
                           "start=2048,size=8192,type=83\\n"
                           "start=10240,size=8192,type=1b\\n"
                           "start=18432,size=40960,type=5\\n"
                           "start=59392,size=4096,type=17\\n"
                           "start=20480,size=4096,type=83\\n"
                           "start=26624,size=4096,type=7\\n"
                           "start=32768,size=8192,type=c\\n' | sfdisk %s"},
            // The same with a Linux extended partition.
            {"pt_mbr85.img", "printf 'label: dos\\n"
                             "start=2048,size=8192,type=83\\n"
                             "start=18432,size=40960,type=85\\n"
                             "start=20480,size=4096,type=83\\n"
                             "start=26624,size=4096,type=16\\n' | sfdisk %s"},
            // Six partitions, one of a type outside the table (Android
            // bootloader), named.
            {"pt_gpt.img", "sgdisk -o -n1:2048:+1M -t1:ef00 -c1:EFI -n2:0:+4M -t2:0700 -c2:Data "
                           "-n3:0:+2M -t3:8300 -c3:Linux -n4:0:+1M -t4:8200 -n5:0:+1M -t5:a000 "
                           "-n6:0:+3M -t6:0c01 %s"},
            // 256 entries: partitions in entry 1 and entry 200.
            {"pt_gpt256.img", "sgdisk -o --resize-table=256 -n1:0:+1M -t1:0700 -n200:0:+2M -t200:8300 %s"},
        },
        64ull << 20);
  }
  static std::filesystem::path Image(int i) { return paths_[static_cast<std::size_t>(i)]; }
  static std::vector<std::filesystem::path> paths_;
  NoAnalyzers analyzers_;
};

std::vector<std::filesystem::path> RealTables::paths_;

TEST_F(RealTables, MbrAsSfdiskWroteIt) {
  for (int i : {0, 1}) {
    ASSERT_FALSE(Image(i).empty()) << "sfdisk failed";
    const auto written = ToolPartitions("sfdisk --dump " + Image(i).string());
    const std::string before = StateOf(Image(i));
    CImageFileDevice image(Image(i).c_str());
    DiskPartitionList records;
    ReadDiskPartitionTable(&image, records);
    // Reading the records' windows leaves the image as it was.
    std::vector<std::uint8_t> sector(512);
    for (const auto& record : records)
      EXPECT_TRUE(record->partitionDevice->ReadSectors(sector.data(), 0, 1));
    EXPECT_EQ(StateOf(Image(i)), before);
    std::vector<Extent> expected;
    for (const auto& [start, count, type] : written)
      if (type != "5" && type != "85") expected.emplace_back(start, count);
    std::vector<Extent> found = Extents(records);
    // The logicals come where their extended entry stands: sort to compare
    // with the tool's numbering.
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected) << Image(i);
    EXPECT_EQ(found.size(), i == 0 ? 6u : 3u);
  }
}

TEST_F(RealTables, GptAsSgdiskWroteIt) {
  for (int i : {2, 3}) {
    ASSERT_FALSE(Image(i).empty()) << "sgdisk failed";
    const auto written = ToolPartitions("sgdisk -p " + Image(i).string());
    std::vector<Extent> expected;
    for (const auto& [start, count, code] : written)
      if (code != "A000") expected.emplace_back(start, count);
    ASSERT_EQ(expected.size(), i == 2 ? 5u : 2u);
    CImageFileDevice image(Image(i).c_str());
    DiskPartitionList records;
    ReadDiskPartitionTable(&image, records);
    EXPECT_EQ(Extents(records), expected) << Image(i);
  }
}

TEST_F(RealTables, GptWithDamagedPrimaryStructures) {
  ASSERT_FALSE(Image(2).empty());
  const auto written = ToolPartitions("sgdisk -p " + Image(2).string());
  std::vector<Extent> expected;
  for (const auto& [start, count, code] : written)
    if (code != "A000") expected.emplace_back(start, count);
  struct Case {
    const char* damage;
    std::uint64_t offset;
    std::size_t bytes;
    bool found;
  } cases[] = {
      {"primary header zeroed", 512, 512, true},
      {"primary entries zeroed: the backup's", 1024, 32 * 512, true},
      {"primary header and entries zeroed: the backup's", 512, 33 * 512, true},
  };
  for (const Case& c : cases) {
    const auto copy = qm::ScratchPath("pt_gpt_damaged.img");
    std::filesystem::copy_file(Image(2), copy, std::filesystem::copy_options::overwrite_existing);
    qm::WriteFileBytes(copy, c.offset, std::vector<std::uint8_t>(c.bytes, 0));
    CImageFileDevice image(copy.c_str());
    DiskPartitionList records;
    ReadDiskPartitionTable(&image, records);
    EXPECT_EQ(Extents(records), expected) << c.damage;
  }
  // Backup damaged too: nothing but what sector 2 holds (zeros).
  const auto copy = qm::ScratchPath("pt_gpt_damaged.img");
  std::filesystem::copy_file(Image(2), copy, std::filesystem::copy_options::overwrite_existing);
  qm::WriteFileBytes(copy, 512, std::vector<std::uint8_t>(33 * 512, 0));
  qm::WriteFileBytes(copy, (64ull << 20) - 512, std::vector<std::uint8_t>(512, 0));
  CImageFileDevice image(copy.c_str());
  DiskPartitionList records;
  EXPECT_EQ(ReadDiskPartitionTable(&image, records), 0u);
}

// ---------------------------------------------------------------- type table

TEST(GptPartitionTypeTable, RowsAndLookUp) {
  const auto table = GptPartitionTypeTable();
  ASSERT_EQ(table.size(), 52u);
  const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].number, i + 1);
    EXPECT_TRUE(std::regex_match(table[i].guid, form)) << table[i].guid;
    EXPECT_LE(std::strlen(table[i].name), 100u);
  }
  EXPECT_STREQ(table[0].name, "MBR partition scheme");
  EXPECT_STREQ(table[51].name, "ChromeOS future use");
  // "ZFS" and "/usr partition" share a GUID: the first row answers.
  EXPECT_STREQ(table[24].guid, table[34].guid);
  EXPECT_EQ(qm::FindGptPartitionType(table[34].guid), 25);
  EXPECT_EQ(qm::FindGptPartitionType("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"), 5);
  EXPECT_EQ(qm::FindGptPartitionType("ebd0a0a2-b9e5-4433-87c0-68b6b72699c7"), 0);
  EXPECT_EQ(qm::FindGptPartitionType("00000000-0000-0000-0000-000000000000"), 0);

  // The EFI system partition as it is stored on disk.
  const std::uint8_t stored[16] = {0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11,
                                   0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};
  EXPECT_EQ(qm::FormatGptTypeGuid(qm::ByteView(stored, 16), 0), "C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
  EXPECT_EQ(qm::FormatGptTypeGuid(qm::ByteView(stored, 16), 1), "");
}

} // namespace
