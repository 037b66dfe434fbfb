// Disks partitioned the way today's tools do it (sfdisk, sgdisk, parted, and
// fdisk on a disk of 4096-byte sectors; every partition on a 1 MiB
// boundary, some with gaps, some inside an extended partition) holding real
// NTFS, FAT32, FAT16, EXT2 and EXT3 volumes with files in them.
// With every table entry zeroed the lost-partition search must find each
// volume at its start with its partition's size and its label, in disk
// order, and each tree must copy out every file byte for byte; with the
// table intact the table reader's windows must be the table's extents.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fatext2/ext2_tree_builder.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "fatext2/fat_volume_analyze.h"
#include "fatext2/ext2_volume_analyze.h"
#include "fatext2/partition_search_controllers.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "ntfs/ntfs_tree_builder.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "ntfs/tree_build_support.h"
#include "platform/byte_view.h"
#include "storage/image_file_device.h"
#include "storage/partition_searcher.h"
#include "storage/partition_table.h"
#include "storage/volume_analyzer.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kDiskBytes = 128ull << 20;
constexpr std::uint64_t kMiB = 1ull << 20;

enum Family { kNtfs, kFat16, kFat32, kExt2, kExt3 };

struct Volume {
  Family family;
  std::uint64_t start;   // in the disk's sectors
  std::uint64_t sectors; // the partition's size
  const char* label;
};

struct Disk {
  const char* name;
  std::uint32_t sectorSize;
  bool gpt;
  // Partitions the image ("%s"); the volumes are written in afterwards.
  std::string partition;
  std::vector<Volume> volumes;
};

// The files each volume holds: contents differ per volume so that a window
// onto the wrong volume cannot pass.
struct SourceFile {
  std::string path;
  std::vector<std::uint8_t> bytes;
};

std::vector<SourceFile> FilesOf(const Volume& volume) {
  std::uint32_t x = 2166136261u;
  for (const char* c = volume.label; *c != 0; ++c) x = (x ^ static_cast<std::uint8_t>(*c)) * 16777619u;
  auto noise = [&](std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) x ^= x << 13, x ^= x >> 17, x ^= x << 5, b = static_cast<std::uint8_t>(x);
    return bytes;
  };
  const std::string text = std::string("Volume ") + volume.label + " keeps this note.\n";
  std::vector<SourceFile> files = {{"README.TXT", std::vector<std::uint8_t>(text.begin(), text.end())},
                                   {"DATA.BIN", noise(300 * 1024 + 17)}};
  // ntfscp writes into existing folders only: NTFS volumes keep to the root.
  if (volume.family != kNtfs) files.push_back({"SUB/NESTED.BIN", noise(70 * 1024 + 3)});
  return files;
}

int TypeCode(Family family) {
  switch (family) {
  case kNtfs: return 3;
  case kFat16: return 1;
  case kFat32: return 2;
  case kExt2: return 4;
  case kExt3: return 5;
  }
  return 7;
}

// Formats a file of the partition's size, fills it from the source folder
// and writes it into the disk at the partition's start.
std::string MakeVolume(const std::string& disk, const Disk& layout, const Volume& volume) {
  const std::string ss = std::to_string(layout.sectorSize);
  const std::string file = disk + "." + volume.label;
  const fs::path source = qm::ScratchPath(std::string("pst_src_") + layout.name + "_" + volume.label);
  fs::remove_all(source);
  fs::create_directories(source / "SUB");
  for (const SourceFile& f : FilesOf(volume)) {
    std::ofstream out(source / f.path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
  }
  const std::string src = source.string();
  std::string command = "rm -f " + file + " && truncate -s " + std::to_string(volume.sectors * layout.sectorSize) +
                        " " + file + " && ";
  switch (volume.family) {
  case kNtfs:
    command += "mkntfs -q -F -f -s " + ss + (layout.sectorSize == 4096 ? " -c 4096" : "") + " -p " +
               std::to_string(volume.start) + " -H 0 -S 0 -L " + volume.label + " " + file + " && ntfscp " +
               file + " " + src + "/README.TXT README.TXT >/dev/null && ntfscp " + file + " " + src +
               "/DATA.BIN DATA.BIN >/dev/null";
    break;
  case kFat16:
  case kFat32:
    command += std::string("mkfs.fat -F ") + (volume.family == kFat16 ? "16" : "32") + " -s 1 -S " + ss + " -n " +
               volume.label + " " + file + " >/dev/null && mcopy -i " + file + " -s " + src + "/* ::/";
    break;
  case kExt2:
  case kExt3:
    command += std::string("mke2fs -F -q -t ") + (volume.family == kExt2 ? "ext2" : "ext3") +
               (layout.sectorSize == 4096 ? " -b 4096" : "") + " -L " + volume.label + " -d " + src + " " + file;
    break;
  }
  return command + " && dd if=" + file + " of=" + disk + " bs=" + ss + " seek=" + std::to_string(volume.start) +
         " conv=notrunc,sparse status=none && rm " + file;
}

std::vector<Disk> Layouts() {
  return {
      // Primaries with a gap, logicals in an extended partition.
      {"sfdisk_dos",
       512,
       false,
       "printf 'label: dos\\n"
       "start=2048,size=32768,type=7\\n"
       "start=38912,size=73728,type=c\\n"
       "start=114688,size=81920,type=5\\n"
       "start=116736,size=32768,type=6\\n"
       "start=151552,size=32768,type=83\\n"
       "start=200704,size=32768,type=83\\n' | sfdisk -q %s",
       {{kNtfs, 2048, 32768, "SFNTFS"},
        {kFat32, 38912, 73728, "SFFAT32"},
        {kFat16, 116736, 32768, "SFFAT16"},
        {kExt3, 151552, 32768, "sfext3"},
        {kExt2, 200704, 32768, "sfext2"}}},
      // The 48 MiB NTFS partition whose backup boot sector a window of the
      // volume's own count would hide.
      {"sgdisk_gpt",
       512,
       true,
       "sgdisk -o -n1:2048:+48M -t1:0700 -n2:104448:+24M -t2:8300 -n3:157696:+20M -t3:0700 %s >/dev/null",
       {{kNtfs, 2048, 98304, "SGNTFS"}, {kExt2, 104448, 49152, "sgext2"}, {kFat16, 157696, 40960, "SGFAT16"}}},
      {"parted_dos",
       512,
       false,
       "parted -s %s mklabel msdos mkpart primary fat32 1MiB 37MiB mkpart extended 38MiB 110MiB "
       "mkpart logical ntfs 39MiB 63MiB mkpart logical ext2 64MiB 96MiB 2>/dev/null",
       {{kFat32, 2048, 73728, "PTFAT32"}, {kNtfs, 79872, 49152, "PTNTFS"}, {kExt3, 131072, 65536, "ptext3"}}},
      // 4096-byte sectors: 1 MiB is 256 sectors.
      {"fdisk_4k_gpt",
       4096,
       true,
       "printf 'g\\nn\\n1\\n256\\n+8191\\nn\\n2\\n8704\\n+8191\\nn\\n3\\n17152\\n+4095\\nw\\n' | "
       "fdisk -b 4096 %s >/dev/null",
       {{kNtfs, 256, 8192, "FKNTFS"}, {kFat16, 8704, 8192, "FKFAT16"}, {kExt2, 17152, 4096, "fkext2"}}},
  };
}

std::vector<std::uint8_t> ReadAt(const fs::path& path, std::uint64_t offset, std::size_t bytes) {
  std::vector<std::uint8_t> out(bytes);
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(bytes));
  return out;
}

// Zeroes every partition entry, keeping the 55 AA signature: the four
// entries of sector 0 and of every extended boot record, and GPT's entry
// arrays (with their headers) at both ends of the disk.
void ZeroEntries(const fs::path& path, const Disk& layout) {
  const std::uint64_t ss = layout.sectorSize;
  const std::vector<std::uint8_t> empty(64);
  if (layout.gpt) {
    qm::WriteFileBytes(path, ss, std::vector<std::uint8_t>(kMiB - ss));
    qm::WriteFileBytes(path, kDiskBytes - kMiB, std::vector<std::uint8_t>(kMiB));
  } else {
    const std::vector<std::uint8_t> mbr = ReadAt(path, 0, 512);
    for (int i = 0; i < 4; ++i) {
      const qm::ByteView entry(mbr.data() + 446 + 16 * i, 16);
      if (!qm::IsExtendedPartitionType(entry.u8(4))) continue;
      const std::uint64_t base = entry.le32(8);
      // The chain of boot records: each links to the next relative to the
      // extended partition's start.
      for (std::uint64_t at = base, n = 0; at != 0 && n < 64; ++n) {
        const std::vector<std::uint8_t> ebr = ReadAt(path, at * ss, 512);
        const qm::ByteView link(ebr.data() + 446 + 16, 16);
        qm::WriteFileBytes(path, at * ss + 446, empty);
        at = qm::IsExtendedPartitionType(link.u8(4)) ? base + link.le32(8) : 0;
      }
    }
  }
  qm::WriteFileBytes(path, 446, empty);
  ASSERT_EQ(ReadAt(path, 510, 2), (std::vector<std::uint8_t>{0x55, 0xAA}));
}

std::string ImageDigest(const fs::path& image) {
  const fs::path sum = image.string() + ".sha256";
  if (qm::RunCommand("sha256sum " + image.string() + " > " + sum.string()) != 0) return "failed";
  const std::vector<std::uint8_t> text = qm::ReadFileBytes(sum);
  return std::string(text.begin(), text.end());
}

// Image files read as 512-byte sectors; a disk of 4096-byte sectors is
// read from memory.
std::unique_ptr<IStorageDevice> OpenDisk(const fs::path& image, std::uint32_t sectorSize) {
  if (sectorSize != 512)
    return std::make_unique<qm::MemoryDevice>(qm::ReadFileBytes(image), static_cast<std::int32_t>(sectorSize));
  auto disk = std::make_unique<CImageFileDevice>(image.c_str());
  if (!disk->Open()) return nullptr;
  return disk;
}

// The disk's bytes still equal the image's (a disk in memory may not be
// written either).
bool SameBytes(IStorageDevice& disk, const fs::path& image) {
  auto* memory = dynamic_cast<qm::MemoryDevice*>(&disk);
  if (memory == nullptr) return true;
  const std::vector<std::uint8_t> bytes = qm::ReadFileBytes(image);
  return bytes.size() == kDiskBytes && std::memcmp(memory->sector(0), bytes.data(), bytes.size()) == 0;
}

struct Find {
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  std::uint32_t type = 7;
  std::string label;
  std::unique_ptr<IStorageDevice> device;
};

class Recorder : public IPartitionSearchCallback {
public:
  void PumpMessages() override {}
  void Step() override { ++steps; }
  int IsCancelled() override { return 0; }
  void SetStep(std::uint64_t) override {}
  void Advance() override {}
  void SetRange(std::uint64_t, std::uint64_t high) override { range = high; }
  void SetPos(std::uint64_t) override {}
  void OnSearchEnd() override {}
  void OnPartitionFound(const LostPartitionRecord* record) override {
    Find find;
    find.start = record->startSector;
    find.count = record->sectorCount;
    find.type = record->fileSystemType;
    find.label.assign(record->volumeLabel, strnlen(record->volumeLabel, sizeof record->volumeLabel));
    find.device.reset(record->partitionDevice);
    finds.push_back(std::move(find));
  }
  std::vector<Find> finds;
  std::uint64_t steps = 0;
  std::uint64_t range = 0;
};

struct TreeDeleter {
  void operator()(CFileNode* root) const { DeleteFileTree(root); }
};
using Tree = std::unique_ptr<CFileNode, TreeDeleter>;

// Builds the volume's tree through its window with the engine of its
// family, copies the whole tree out and compares every file.
void ExpectFilesCopyOut(IStorageDevice* window, const Volume& volume, const std::string& tag) {
  Tree root;
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  switch (volume.family) {
  case kNtfs: root.reset(CNtfsTreeBuilder().Start(0, window, nullptr)); break;
  case kFat16:
  case kFat32: {
    CFATSearchedPartitionInfo partition(static_cast<std::uint32_t>(window->GetSectorSize()));
    partition.SetFileSystemType(static_cast<std::uint32_t>(TypeCode(volume.family)));
    partition.SetStartSector(0);
    partition.SetFlags((volume.family == kFat16 ? qm::kFatFoundBoot16 : qm::kFatFoundBoot32) |
                       qm::kFatUseFirstFat | qm::kFatUseSecondFat);
    root.reset(CFatTreeBuilder().QuickBuild(nullptr, partition, window, 1));
    break;
  }
  case kExt2:
  case kExt3:
    root.reset(CExt2LostPartitionTreeBuilder::Start(window->Get512ByteSectorDevice(), nullptr, 2, false));
    break;
  }
  ASSERT_NE(root, nullptr) << "no tree";
  auto* volumeNode = static_cast<CFileSystemNode*>(root.get());
  volumeNode->GetVolumeGeometry(&base, &perCluster);
  volumeNode->ToggleCheck(root.get(), 0);
  const fs::path target = qm::ScratchPath("pst_out_" + tag);
  fs::remove_all(target);
  // EXT2 and EXT3 trees read through the window's 512-byte view, as the
  // save jobs do.
  qm::SaveContext context{nullptr, qm::DeviceForNode(window, root.get()), base, perCluster};
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root.get(), target.string(), &created), qm::kSaveDone);
  for (const SourceFile& file : FilesOf(volume)) {
    const fs::path path = fs::path(created) / file.path;
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_TRUE(qm::ReadFileBytes(path) == file.bytes) << file.path;
  }
  fs::remove_all(target);
}

class ToolPartitionedDisks : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    std::vector<std::pair<std::string, std::string>> jobs;
    for (const Disk& layout : Layouts()) {
      const std::string image = qm::ScratchPath(std::string("pst_") + layout.name + ".img").string();
      std::string command = layout.partition;
      for (const Volume& volume : layout.volumes) command += " && " + MakeVolume(image, layout, volume);
      jobs.emplace_back(std::string("pst_") + layout.name + ".img", command);
    }
    images_ = qm::MakeImagesWithTools(jobs, kDiskBytes);
  }
  void SetUp() override {
    qm::RegisterNtfsVolumeAnalyzer();
    qm::RegisterFatVolumeAnalyzer();
    qm::RegisterExt2VolumeAnalyzer();
  }
  static std::vector<fs::path> images_;
  qm::ScopedVolumeAnalyzers restore_;
};

std::vector<fs::path> ToolPartitionedDisks::images_;

TEST_F(ToolPartitionedDisks, WithEveryEntryZeroedTheSearchFindsEachVolumeWhole) {
  const std::vector<Disk> layouts = Layouts();
  for (std::size_t d = 0; d < layouts.size(); ++d) {
    const Disk& layout = layouts[d];
    SCOPED_TRACE(layout.name);
    ASSERT_FALSE(images_[d].empty()) << "the tools failed";
    const fs::path lost = images_[d].string() + ".lost";
    ASSERT_EQ(qm::RunCommand("cp --sparse=always " + images_[d].string() + " " + lost.string()), 0);
    ZeroEntries(lost, layout);
    const std::string before = ImageDigest(lost);
    const std::unique_ptr<IStorageDevice> disk = OpenDisk(lost, layout.sectorSize);
    ASSERT_NE(disk, nullptr);
    ASSERT_EQ(disk->GetSectorSize(), static_cast<std::int32_t>(layout.sectorSize));
    DiskPartitionList none;
    ReadDiskPartitionTable(disk.get(), none);
    EXPECT_TRUE(none.empty()) << "the table is gone";

    CPartitionFATSearchController fat;
    CPartitionNTFSSearchController ntfs;
    CPartitionEXT2SearchController ext2;
    CPartitionSearcher searcher;
    searcher.SetDevice(disk.get());
    searcher.AddController(&fat);
    searcher.AddController(&ntfs);
    searcher.AddController(&ext2);
    searcher.BuildAlgorithms(240);
    Recorder recorder;
    searcher.Start(&recorder);

    const std::uint64_t sectors = kDiskBytes / layout.sectorSize;
    const std::uint64_t step = kMiB / layout.sectorSize;
    EXPECT_EQ(recorder.range, sectors / (255 * 63) + sectors / (240 * 63) + sectors / step);
    EXPECT_EQ(recorder.steps, recorder.range);
    ASSERT_EQ(recorder.finds.size(), layout.volumes.size());
    for (std::size_t v = 0; v < layout.volumes.size(); ++v) {
      const Volume& volume = layout.volumes[v];
      const Find& find = recorder.finds[v];
      SCOPED_TRACE(volume.label);
      EXPECT_EQ(find.start, volume.start);
      EXPECT_EQ(find.count, volume.sectors);
      EXPECT_EQ(find.type, static_cast<std::uint32_t>(TypeCode(volume.family)));
      EXPECT_EQ(find.label, volume.label);
      ASSERT_NE(find.device, nullptr);
      EXPECT_EQ(find.device->GetSectorCount(), volume.sectors);
      ExpectFilesCopyOut(find.device.get(), volume, std::string(layout.name) + "_" + volume.label);
    }
    recorder.finds.clear();
    EXPECT_TRUE(SameBytes(*disk, lost));
    disk->Close();
    EXPECT_EQ(ImageDigest(lost), before) << "the search must not write";
    fs::remove(lost);
  }
}

TEST_F(ToolPartitionedDisks, WithTheTableIntactTheWindowsAreTheTablesExtents) {
  const std::vector<Disk> layouts = Layouts();
  for (std::size_t d = 0; d < layouts.size(); ++d) {
    const Disk& layout = layouts[d];
    SCOPED_TRACE(layout.name);
    ASSERT_FALSE(images_[d].empty()) << "the tools failed";
    const std::string before = ImageDigest(images_[d]);
    {
      const std::unique_ptr<IStorageDevice> disk = OpenDisk(images_[d], layout.sectorSize);
      ASSERT_NE(disk, nullptr);
      DiskPartitionList records;
      ReadDiskPartitionTable(disk.get(), records);
      ASSERT_EQ(records.size(), layout.volumes.size());
      for (std::size_t v = 0; v < records.size(); ++v) {
        const Volume& volume = layout.volumes[v];
        const DiskPartitionRecord& record = *records[v];
        SCOPED_TRACE(volume.label);
        EXPECT_EQ(record.startSector, volume.start);
        EXPECT_EQ(record.sectorCount, volume.sectors);
        EXPECT_EQ(record.partitionDevice->GetSectorCount(), volume.sectors);
        EXPECT_EQ(record.fileSystemType, TypeCode(volume.family));
        EXPECT_STREQ(record.volumeLabel, volume.label);
        // The volume's own count beside the table's: NTFS leaves its
        // backup boot sector out of it.
        EXPECT_EQ(record.volumeSectorCount, volume.sectors - (volume.family == kNtfs ? 1 : 0));
        if (volume.family == kNtfs) {
          std::vector<std::uint8_t> boot(layout.sectorSize), backup(layout.sectorSize);
          ASSERT_TRUE(record.partitionDevice->ReadSectors(boot.data(), 0, 1));
          ASSERT_TRUE(record.partitionDevice->ReadSectors(backup.data(), volume.sectors - 1, 1));
          EXPECT_TRUE(boot == backup) << "the backup boot sector is the window's last sector";
        }
      }
      EXPECT_TRUE(SameBytes(*disk, images_[d]));
    }
    EXPECT_EQ(ImageDigest(images_[d]), before);
  }
}

} // namespace
