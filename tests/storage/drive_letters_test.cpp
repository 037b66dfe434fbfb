#include "storage/drive_letters.h"

#include <gtest/gtest.h>

#include <vector>

#include "storage/disk_device.h"
#include "support/scratch_files.h"

namespace {

std::vector<std::uint8_t> Layout(const std::vector<std::pair<std::uint64_t, std::uint32_t>>& partitions,
                                 std::uint32_t declaredCount) {
  std::vector<std::uint8_t> bytes(qm::kLayoutHeaderSize + qm::kLayoutEntrySize * partitions.size());
  qm::StoreLe32(bytes.data(), declaredCount);
  for (std::size_t i = 0; i < partitions.size(); ++i) {
    std::uint8_t* entry = bytes.data() + qm::kLayoutHeaderSize + qm::kLayoutEntrySize * i;
    qm::StoreLe64(entry, partitions[i].first);
    qm::StoreLe64(entry + 8, 1 << 20);
    qm::StoreLe32(entry + 16, partitions[i].second);
  }
  return bytes;
}

DiskPartitionList Records(const std::vector<std::uint64_t>& starts) {
  DiskPartitionList records;
  for (std::uint64_t start : starts) {
    records.push_back(std::make_unique<DiskPartitionRecord>());
    records.back()->startSector = start;
  }
  return records;
}

std::vector<qm::VolumeEntry> Volumes() {
  std::vector<qm::VolumeEntry> volumes(5);
  const struct {
    char letter;
    int disk;
    int number;
  } rows[] = {{'C', 0, 1}, {'D', 1, 1}, {'E', 1, 2}, {'F', 1, 5}, {'G', 2, 0}};
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    volumes[i].letter = rows[i].letter;
    volumes[i].diskIndex = rows[i].disk;
    volumes[i].partitionNumber = rows[i].number;
  }
  return volumes;
}

std::string Letters(const DiskPartitionList& records) {
  std::string out;
  for (const auto& record : records)
    out += record->driveLetter != 0 ? record->driveLetter : '-';
  return out;
}

TEST(AssignDriveLetters, LettersByThePartitionNumberAtEachStart) {
  const auto volumes = Volumes();
  // Disk 1: partitions 1 at sector 2048, 2 at 10240, 5 (a logical) at 20480.
  const auto layout = Layout({{2048 * 512, 1}, {10240 * 512, 2}, {20480ull * 512, 5}}, 3);
  struct Case {
    const char* rule;
    std::uint32_t bytesPerSector;
    int disk;
    std::vector<std::uint64_t> starts;
    const char* letters;
  } cases[] = {
      {"every record at a start of the layout", 512, 1, {2048, 20480, 10240}, "DFE"},
      {"a record at a start the system does not list keeps none", 512, 1, {2048, 4096}, "D-"},
      {"another disk's numbering", 512, 0, {2048, 10240}, "C-"},
      {"a disk without partitions of its own gets none", 512, 2, {0, 2048}, "--"},
      {"a disk without a number gets none", 512, -1, {2048, 10240}, "--"},
      {"starts counted in 4096-byte sectors", 4096, 1, {256, 1280}, "DE"},
  };
  for (const Case& c : cases) {
    DiskPartitionList records = Records(c.starts);
    qm::AssignLettersFromLayout(qm::ByteView(layout.data(), layout.size()), c.bytesPerSector, c.disk, records,
                                volumes);
    EXPECT_EQ(Letters(records), c.letters) << c.rule;
  }
}

TEST(AssignDriveLetters, ALayoutThatClaimsMoreEntriesThanItHolds) {
  const auto volumes = Volumes();
  const auto layout = Layout({{2048 * 512, 1}, {10240 * 512, 2}}, 0xFFFFFFFF);
  DiskPartitionList records = Records({10240, 99});
  qm::AssignLettersFromLayout(qm::ByteView(layout.data(), layout.size()), 512, 1, records, volumes);
  EXPECT_EQ(Letters(records), "E-");
  qm::AssignLettersFromLayout(qm::ByteView(layout.data(), 4), 512, 1, records, volumes);
  qm::AssignLettersFromLayout(qm::ByteView(layout.data(), layout.size()), 0, 1, records, volumes);
}

TEST(AssignDriveLetters, ADiskOfTheMachineGetsTheLettersOfItsPartitions) {
  // The machine's first disk that opens and has partitions: each record of
  // its table that starts where a system partition starts gets its letter.
  const std::vector<qm::VolumeEntry> volumes = qm::ListVolumes();
  for (int index = 0; index <= CDiskDevice::kMaxDiskIndex; ++index) {
    CDiskDevice disk(index);
    if (!disk.IsOpen()) continue;
    DiskPartitionList records;
    if (ReadDiskPartitionTable(&disk, records) == 0) continue;
    AssignDriveLetters(&disk, records);
    for (const auto& record : records) {
      char expected = 0;
      for (const auto& volume : volumes)
        if (volume.diskIndex == index && volume.partitionNumber > 0 &&
            volume.startByte == record->startSector * static_cast<std::uint64_t>(disk.GetSectorSize()))
          expected = volume.letter;
      EXPECT_EQ(record->driveLetter, expected) << "disk " << index << " sector " << record->startSector;
    }
    return;
  }
  GTEST_SKIP() << "no readable disk with a partition table";
}

TEST(AssignDriveLetters, AnImageStandingAsADiskHasNoSystemPartitions) {
  // The table of an image is read through the disk device, but the system
  // lists no partitions of it: no letters.
  const auto path = qm::MakeSparseImage("letters_image.img", 16ull << 20);
  ASSERT_EQ(
      qm::RunCommand("printf 'label: dos\\nstart=2048,size=4096,type=83\\nstart=8192,size=4096,type=7\\n' | "
                     "sfdisk " +
                     path.string() + " >/dev/null 2>&1"),
      0);
  const int index = qm::AddDiskOverride(path.string());
  {
    CDiskDevice disk(index);
    ASSERT_TRUE(disk.IsOpen());
    DiskPartitionList records;
    ASSERT_EQ(ReadDiskPartitionTable(&disk, records), 2u);
    AssignDriveLetters(&disk, records);
    EXPECT_EQ(Letters(records), "--");
    AssignDriveLetters(nullptr, records);
  }
  qm::ClearDiskOverrides();
}

TEST(AssignDriveLetters, VolumeGuidsAndDynamicVolumeNamesNameNoVolumeHere) {
  const std::uint8_t guid[16] = {1, 2, 3};
  EXPECT_EQ(GetVolumeLetterFromGuid(guid), 0);
  EXPECT_EQ(GetDynamicVolumeLetter("Volume1", "WIN-Dg0"), 0);
}

} // namespace
