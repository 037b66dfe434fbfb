#include "storage/dynamic_volume.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "support/memory_device.h"

namespace {

using qm::MemoryDevice;
using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes out(n);
  for (auto& byte : out) byte = static_cast<std::uint8_t>(random());
  return out;
}

DynamicMemberExtent Extent(IStorageDevice* disk, std::uint64_t start, std::uint64_t offset, std::uint64_t length,
                           const char* id = "disk") {
  DynamicMemberExtent extent;
  extent.disk = disk;
  extent.diskStart = start;
  extent.volumeOffset = offset;
  extent.length = length;
  std::strncpy(extent.diskId, id, sizeof extent.diskId - 1);
  return extent;
}

DynamicVolumeInfo Info(std::uint64_t sectors) {
  DynamicVolumeInfo info;
  info.sectorCount = sectors;
  std::strcpy(info.volumeName, "Volume1");
  std::strcpy(info.diskGroupName, "WinDg0");
  return info;
}

Bytes ReadAll(IStorageDevice& device, std::uint64_t first, std::uint64_t count, int* result = nullptr) {
  Bytes out(count * 512, 0xCC);
  const int r = device.ReadSectors(out.data(), first, count);
  if (result != nullptr) *result = r;
  return out;
}

Bytes Slice(const Bytes& bytes, std::uint64_t sector, std::uint64_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(sector * 512),
               bytes.begin() + static_cast<std::ptrdiff_t>((sector + count) * 512));
}

void Put(MemoryDevice& disk, std::uint64_t sector, const Bytes& from, std::uint64_t fromSector, std::uint64_t count) {
  std::memcpy(disk.sector(sector), from.data() + fromSector * 512, count * 512);
}

// Reads the volume in uneven pieces that cross stripe and member bounds.
Bytes ReadInPieces(IStorageDevice& device, std::uint64_t sectors) {
  Bytes out;
  for (std::uint64_t at = 0; at < sectors;) {
    const std::uint64_t n = std::min<std::uint64_t>(37, sectors - at);
    const Bytes piece = ReadAll(device, at, n);
    out.insert(out.end(), piece.begin(), piece.end());
    at += n;
  }
  return out;
}

TEST(DynamicVolume, StripedVolumePlacesStripesRoundRobin) {
  constexpr std::uint64_t kColumn = 512;
  MemoryDevice a(1024, 512), b(1024, 512);
  const Bytes volume = RandomBytes(2 * kColumn * 512, 1);
  // 64 KiB stripes: 128 sectors, column 0 on a, column 1 on b.
  for (std::uint64_t row = 0; row < kColumn / 128; ++row) {
    Put(a, 10 + row * 128, volume, (row * 2) * 128, 128);
    Put(b, 20 + row * 128, volume, (row * 2 + 1) * 128, 128);
  }
  const DynamicMemberExtent members[] = {Extent(&a, 10, 0, kColumn), Extent(&b, 20, 0, kColumn)};
  auto device = CreateStripedVolume(kDynamicStriped, Info(2 * kColumn), members);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->GetVolumeType(), kDynamicStriped);
  // Volume sector 130: column 1, row 0, sector 2 of its stripe.
  EXPECT_EQ(ReadAll(*device, 130, 1), Slice(b.bytes(), 22, 1));
  EXPECT_EQ(ReadAll(*device, 0, 2 * kColumn), volume);
  EXPECT_EQ(ReadInPieces(*device, 2 * kColumn), volume);

  // A stripe of the database's size instead of the default.
  MemoryDevice c(1024, 512), d(1024, 512);
  for (std::uint64_t row = 0; row < kColumn / 16; ++row) {
    Put(c, row * 16, volume, (row * 2) * 16, 16);
    Put(d, row * 16, volume, (row * 2 + 1) * 16, 16);
  }
  const DynamicMemberExtent small[] = {Extent(&c, 0, 0, kColumn), Extent(&d, 0, 0, kColumn)};
  auto smallStripes = CreateStripedVolume(kDynamicStriped, Info(2 * kColumn), small, 16);
  ASSERT_TRUE(smallStripes);
  EXPECT_EQ(ReadInPieces(*smallStripes, 2 * kColumn), volume);
  // A stripe of 0 or one beyond reason falls back to 64 KiB.
  for (std::uint64_t stripe : {std::uint64_t{0}, std::uint64_t{1} << 40}) {
    auto fallback = CreateStripedVolume(kDynamicStriped, Info(2 * kColumn), members, stripe);
    EXPECT_EQ(ReadAll(*fallback, 0, 2 * kColumn), volume) << stripe;
  }
}

TEST(DynamicVolume, StripedVolumeMissingColumnReadsZerosAndStopsOutsideItsPieces) {
  MemoryDevice a(512, 512);
  const Bytes content = RandomBytes(256 * 512, 2);
  Put(a, 0, content, 0, 256);
  const DynamicMemberExtent members[] = {Extent(&a, 0, 0, 256), Extent(nullptr, 0, 0, 256)};
  auto device = CreateStripedVolume(kDynamicStriped, Info(512), members);
  ASSERT_TRUE(device);
  int result = 0;
  const Bytes read = ReadAll(*device, 0, 512, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Slice(read, 0, 128), Slice(content, 0, 128));
  EXPECT_EQ(Slice(read, 128, 128), Bytes(128 * 512, 0));
  EXPECT_EQ(Slice(read, 256, 128), Slice(content, 128, 128));

  // A volume larger than its columns: a run past a column's piece fails
  // instead of reading whatever lies behind it on the disk.
  auto tooLarge = CreateStripedVolume(kDynamicStriped, Info(1024), members);
  ReadAll(*tooLarge, 600, 1, &result);
  EXPECT_EQ(result, 0);
  // So does a piece whose column begins later than the run.
  const DynamicMemberExtent late[] = {Extent(&a, 0, 64, 192), Extent(&a, 256, 0, 256)};
  auto lateStart = CreateStripedVolume(kDynamicStriped, Info(512), late);
  ReadAll(*lateStart, 0, 1, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadAll(*lateStart, 256, 1, &result), Slice(content, 64, 1));
  EXPECT_EQ(result, 1);
}

// Writes a RAID-5 volume of n columns and stripe S onto the disks (each
// column from sector 0), rotating parity from the last column backwards.
void WriteRaid5(std::vector<MemoryDevice*> disks, std::uint64_t stripe, const Bytes& volume) {
  const std::uint64_t n = disks.size();
  const std::uint64_t rows = volume.size() / 512 / ((n - 1) * stripe);
  for (std::uint64_t row = 0; row < rows; ++row) {
    const std::uint64_t parity = n - 1 - row % n;
    Bytes xored(stripe * 512, 0);
    for (std::uint64_t d = 0; d < n - 1; ++d) {
      const std::uint64_t column = (parity + 1 + d) % n;
      const std::uint64_t from = (row * (n - 1) + d) * stripe;
      Put(*disks[column], row * stripe, volume, from, stripe);
      for (std::size_t i = 0; i < xored.size(); ++i) xored[i] ^= volume[from * 512 + i];
    }
    std::memcpy(disks[parity]->sector(row * stripe), xored.data(), xored.size());
  }
}

TEST(DynamicVolume, Raid5ReadsDataAroundRotatingParityAndRebuildsAMissingColumn) {
  constexpr std::uint64_t kStripe = 16, kColumn = 96; // six rows
  MemoryDevice a(kColumn, 512), b(kColumn, 512), c(kColumn, 512);
  const Bytes volume = RandomBytes(2 * kColumn * 512, 3);
  WriteRaid5({&a, &b, &c}, kStripe, volume);
  // Row 0: data in columns 0 and 1, parity in 2; row 1: data in 2 then 0.
  EXPECT_EQ(Slice(a.bytes(), 0, 1), Slice(volume, 0, 1));
  EXPECT_EQ(Slice(b.bytes(), 0, 1), Slice(volume, 16, 1));
  EXPECT_EQ(Slice(c.bytes(), 16, 1), Slice(volume, 32, 1));
  EXPECT_EQ(Slice(a.bytes(), 16, 1), Slice(volume, 48, 1));

  const DynamicMemberExtent all[] = {Extent(&a, 0, 0, kColumn), Extent(&b, 0, 0, kColumn), Extent(&c, 0, 0, kColumn)};
  auto device = CreateRaid5Volume(kDynamicRaid5, Info(2 * kColumn), all, kStripe);
  ASSERT_TRUE(device);
  EXPECT_EQ(ReadAll(*device, 0, 2 * kColumn), volume);
  EXPECT_EQ(ReadInPieces(*device, 2 * kColumn), volume);

  // Each column missing in turn: its data is the XOR of the other two.
  for (int missing = 0; missing < 3; ++missing) {
    DynamicMemberExtent members[] = {all[0], all[1], all[2]};
    members[missing].disk = nullptr;
    auto degraded = CreateRaid5Volume(kDynamicRaid5, Info(2 * kColumn), members, kStripe);
    ASSERT_TRUE(degraded) << missing;
    EXPECT_EQ(ReadInPieces(*degraded, 2 * kColumn), volume) << missing;
  }
  // An unreadable sector of a present column is rebuilt the same way.
  // (Sector 20 of column 0 holds data of row 1; column 1 its parity.)
  a.AddFailingRange(20, 21);
  EXPECT_EQ(ReadAll(*device, 0, 2 * kColumn), volume);
  // With a second column unreadable there as well the read fails.
  b.AddFailingRange(20, 21);
  int result = 1;
  ReadAll(*device, 0, 2 * kColumn, &result);
  EXPECT_EQ(result, 0);
}

TEST(DynamicVolume, SpannedVolumeJoinsPiecesInVolumeOrder) {
  MemoryDevice a(200, 512), b(200, 512);
  const Bytes volume = RandomBytes(150 * 512, 4);
  Put(a, 30, volume, 0, 100);
  Put(b, 5, volume, 100, 50);
  // Listed in reverse: the volume offsets decide.
  const DynamicMemberExtent members[] = {Extent(&b, 5, 100, 50, "b"), Extent(&a, 30, 0, 100, "a")};
  auto device = CreateSpannedVolume(kDynamicSpanned, Info(150), members);
  ASSERT_TRUE(device);
  EXPECT_EQ(ReadAll(*device, 0, 150), volume);
  EXPECT_EQ(ReadInPieces(*device, 150), volume);

  // A missing piece reads as zeros; the rest is still there.
  const DynamicMemberExtent partial[] = {Extent(nullptr, 0, 100, 50, "b"), Extent(&a, 30, 0, 100, "a")};
  auto withHole = CreateSpannedVolume(kDynamicSpanned, Info(150), partial);
  int result = 0;
  const Bytes read = ReadAll(*withHole, 90, 20, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Slice(read, 0, 10), Slice(volume, 90, 10));
  EXPECT_EQ(Slice(read, 10, 10), Bytes(10 * 512, 0));
  // Sectors that no piece holds fail.
  auto tooLarge = CreateSpannedVolume(kDynamicSpanned, Info(300), members);
  ReadAll(*tooLarge, 140, 20, &result);
  EXPECT_EQ(result, 0);
}

TEST(DynamicVolume, ReadsAreCutAtTheEndAndRefusedBeyondIt) {
  MemoryDevice a(100, 512);
  const Bytes content = RandomBytes(100 * 512, 5);
  Put(a, 0, content, 0, 100);
  const DynamicMemberExtent members[] = {Extent(&a, 10, 0, 80)};
  auto device = CreateSimpleVolume(kDynamicSimple, Info(80), members);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->GetSectorCount(), 80u);
  EXPECT_EQ(device->GetSectorSize(), 512);
  int result = 0;
  // Ten sectors from four before the end: four of data, six of zeros.
  const Bytes tail = ReadAll(*device, 76, 10, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Slice(tail, 0, 4), Slice(content, 86, 4));
  EXPECT_EQ(Slice(tail, 4, 6), Bytes(6 * 512, 0));
  ReadAll(*device, 81, 1, &result);
  EXPECT_EQ(result, 0);
  ReadAll(*device, 0, 81, &result);
  EXPECT_EQ(result, 0);
  ReadAll(*device, 80, 0, &result);
  EXPECT_EQ(result, 1);
  Bytes huge(512);
  EXPECT_EQ(device->ReadSectors(huge.data(), 0, ~std::uint64_t{0}), 0);
  // A piece that runs past its disk's end fails where the disk does.
  const DynamicMemberExtent pastEnd[] = {Extent(&a, 90, 0, 80)};
  auto beyond = CreateSimpleVolume(kDynamicSimple, Info(80), pastEnd);
  ReadAll(*beyond, 0, 10, &result);
  EXPECT_EQ(result, 1);
  ReadAll(*beyond, 5, 10, &result);
  EXPECT_EQ(result, 0);
  // So does a start that would wrap around.
  const DynamicMemberExtent wrapping[] = {Extent(&a, ~std::uint64_t{0} - 2, 0, 80)};
  ReadAll(*CreateSimpleVolume(kDynamicSimple, Info(80), wrapping), 5, 1, &result);
  EXPECT_EQ(result, 0);
}

TEST(DynamicVolume, MirrorTakesEachChunkOrSectorFromWhicheverCopyReadsIt) {
  MemoryDevice a(300, 512), b(300, 512);
  const Bytes volume = RandomBytes(200 * 512, 6);
  Put(a, 0, volume, 0, 200);
  Put(b, 50, volume, 0, 200);
  const DynamicMemberExtent first[] = {Extent(&a, 0, 0, 200, "a")};
  const DynamicMemberExtent second[] = {Extent(&b, 50, 0, 200, "b")};
  auto mirror = CreateMirrorVolume(kDynamicMirror, Info(200), CreateSimpleVolume(kDynamicSimple, Info(200), first),
                                   CreateSimpleVolume(kDynamicSimple, Info(200), second));
  ASSERT_TRUE(mirror);
  EXPECT_EQ(mirror->GetVolumeType(), kDynamicMirror);
  a.AddFailingRange(70, 71);
  EXPECT_EQ(ReadAll(*mirror, 0, 200), volume);
  // A sector that neither copy reads is zero; the rest of its chunk is not.
  b.AddFailingRange(170, 171); // volume sector 120 of the second copy
  a.AddFailingRange(120, 121);
  int result = 0;
  const Bytes read = ReadAll(*mirror, 100, 40, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Slice(read, 0, 20), Slice(volume, 100, 20));
  EXPECT_EQ(Slice(read, 20, 1), Bytes(512, 0));
  EXPECT_EQ(Slice(read, 21, 19), Slice(volume, 121, 19));

  // One copy missing: the other serves.
  auto half = CreateMirrorVolume(kDynamicMirror, Info(200), nullptr,
                                 CreateSimpleVolume(kDynamicSimple, Info(200), second));
  ASSERT_TRUE(half);
  EXPECT_EQ(Slice(ReadAll(*half, 0, 100), 0, 100), Slice(volume, 0, 100));
  EXPECT_FALSE(CreateMirrorVolume(kDynamicMirror, Info(200), nullptr, nullptr));
}

TEST(DynamicVolume, MirrorOfCopiesMissingDifferentPiecesReadsWhole) {
  // Two spanned copies, each missing the piece the other still has: the
  // zeros of a missing piece must not stand for data.
  MemoryDevice a(200, 512), b(200, 512);
  const Bytes volume = RandomBytes(200 * 512, 8);
  Put(a, 0, volume, 0, 100);     // first copy, first half
  Put(b, 100, volume, 100, 100); // second copy, second half
  const DynamicMemberExtent first[] = {Extent(&a, 0, 0, 100), Extent(nullptr, 0, 100, 100)};
  const DynamicMemberExtent second[] = {Extent(nullptr, 0, 0, 100), Extent(&b, 100, 100, 100)};
  auto mirror = CreateMirrorVolume(kDynamicMirror, Info(200), CreateSpannedVolume(kDynamicSpanned, Info(200), first),
                                   CreateSpannedVolume(kDynamicSpanned, Info(200), second));
  EXPECT_EQ(ReadAll(*mirror, 0, 200), volume);
  EXPECT_EQ(ReadInPieces(*mirror, 200), volume);

  // The same with striped copies: column 0 only in the first, column 1
  // only in the second.
  MemoryDevice c(128, 512), d(128, 512);
  const Bytes striped = RandomBytes(256 * 512, 9);
  for (std::uint64_t row = 0; row < 8; ++row) {
    Put(c, row * 16, striped, row * 32, 16);
    Put(d, row * 16, striped, row * 32 + 16, 16);
  }
  const DynamicMemberExtent columns1[] = {Extent(&c, 0, 0, 128), Extent(nullptr, 0, 0, 128)};
  const DynamicMemberExtent columns2[] = {Extent(nullptr, 0, 0, 128), Extent(&d, 0, 0, 128)};
  auto stripedMirror =
      CreateMirrorVolume(kDynamicMirror, Info(256), CreateStripedVolume(kDynamicStriped, Info(256), columns1, 16),
                         CreateStripedVolume(kDynamicStriped, Info(256), columns2, 16));
  EXPECT_EQ(ReadInPieces(*stripedMirror, 256), striped);
}

TEST(DynamicVolume, FactoriesRefuseLayoutsTheirMembersCannotRead) {
  MemoryDevice disk(64, 512);
  const DynamicMemberExtent on = Extent(&disk, 0, 0, 8), off = Extent(nullptr, 0, 0, 8);
  struct Row {
    const char* kind;
    std::vector<DynamicMemberExtent> members;
    bool made;
  };
  const Row rows[] = {
      {"simple", {on}, true},          {"simple", {off}, false},           {"simple", {on, on}, false},
      {"simple", {off, on}, true},     {"simple", {}, false},              {"spanned", {off, on}, true},
      {"spanned", {off, off}, false},  {"striped", {off, on, off}, true},  {"striped", {}, false},
      {"raid5", {on, on, on}, true},   {"raid5", {on, off, on}, true},     {"raid5", {off, off, on}, false},
      {"raid5", {on}, false},          {"raid5", {on, off}, true},
      {"spanned", std::vector<DynamicMemberExtent>(kMaxDynamicMembers + 1, on), false},
  };
  for (const Row& row : rows) {
    const std::string kind = row.kind;
    std::unique_ptr<IDynamicDevice> device =
        kind == "simple"    ? CreateSimpleVolume(kDynamicSimple, Info(8), row.members)
        : kind == "spanned" ? CreateSpannedVolume(kDynamicSpanned, Info(8), row.members)
        : kind == "striped" ? CreateStripedVolume(kDynamicStriped, Info(8), row.members)
                            : CreateRaid5Volume(kDynamicRaid5, Info(8), row.members);
    EXPECT_EQ(device != nullptr, row.made) << kind << " of " << row.members.size();
  }
}

TEST(DynamicVolume, MembersOfAnotherSectorSizeAreNotReadIntoTheBuffer) {
  MemoryDevice small(256, 512), large(64, 4096);
  std::memset(large.bytes().data(), 0xAB, large.bytes().size());
  const Bytes content = RandomBytes(256 * 512, 7);
  Put(small, 0, content, 0, 256);
  const DynamicMemberExtent members[] = {Extent(&small, 0, 0, 128), Extent(&large, 0, 0, 128)};
  auto device = CreateStripedVolume(kDynamicStriped, Info(256), members);
  ASSERT_EQ(device->GetSectorSize(), 512);
  int result = 0;
  const Bytes read = ReadAll(*device, 0, 256, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Slice(read, 128, 128), Bytes(128 * 512, 0));

  // A volume whose first member is missing takes its sector size from the
  // first one present.
  const DynamicMemberExtent largeFirst[] = {Extent(nullptr, 0, 0, 128), Extent(&large, 0, 0, 128)};
  EXPECT_EQ(CreateSpannedVolume(kDynamicSpanned, Info(256), largeFirst)->GetSectorSize(), 4096);
}

TEST(DynamicVolume, SameVolumeComparesExtentsWhateverTheirOrder) {
  MemoryDevice a(64, 512), b(64, 512);
  const DynamicMemberExtent x = Extent(&a, 0, 0, 8, "a"), y = Extent(&b, 8, 8, 8, "b");
  const DynamicMemberExtent xy[] = {x, y}, yx[] = {y, x}, xOnly[] = {x};
  auto first = CreateSpannedVolume(kDynamicSpanned, Info(16), xy);
  auto second = CreateSpannedVolume(kDynamicSpanned, Info(16), yx);
  auto striped = CreateStripedVolume(kDynamicStriped, Info(16), xy);
  auto part = CreateSpannedVolume(kDynamicSpanned, Info(16), xOnly);
  EXPECT_EQ(first->IsSameVolume(second.get()), 1);
  EXPECT_EQ(first->IsSameVolume(striped.get()), 0);
  EXPECT_EQ(first->IsSameVolume(part.get()), 0);
  EXPECT_EQ(part->IsSameVolume(first.get()), 1);
  EXPECT_EQ(first->IsSameVolume(nullptr), 0);
  DynamicMemberExtent otherId = x;
  std::strcpy(otherId.diskId, "c");
  EXPECT_FALSE(SameMemberExtent(x, otherId));
  otherId = x;
  otherId.partitionIndex = 7;
  EXPECT_TRUE(SameMemberExtent(x, otherId));

  // Extents go before what the list holds; a mirror appends its copies'.
  DynamicExtentList list = {&y};
  part->GetMemberExtents(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(SameMemberExtent(*list[0], x));
  EXPECT_EQ(list[1], &y);
  auto mirror = CreateMirrorVolume(kDynamicMirror, Info(16), CreateSpannedVolume(kDynamicSpanned, Info(16), xOnly),
                                   CreateSpannedVolume(kDynamicSpanned, Info(16), yx));
  DynamicExtentList mirrored = {&y};
  mirror->GetMemberExtents(mirrored);
  ASSERT_EQ(mirrored.size(), 4u);
  EXPECT_EQ(mirrored[0], &y);
  EXPECT_TRUE(SameMemberExtent(*mirrored[1], x));
  EXPECT_TRUE(SameMemberExtent(*mirrored[2], y));
  EXPECT_EQ(mirror->GetDriveLetter(), 0);
}

} // namespace
