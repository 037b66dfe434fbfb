// The tree build reads the $MFT's records on several threads when asked
// to: whatever their number, the tree must come out the same, node for
// node (names, parents, states, times, record sectors, runs, extension
// lists) and in the same order, with the same progress reported, on sound
// volumes, fragmented $MFTs, attribute lists, and records damaged in the
// ways a disk damages them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_properties.h"
#include "ntfs/fixture_volume.h"
#include "ntfs/large_mft_image.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_fixture.h"
#include "ntfs/ntfs_tree_builder.h"
#include "support/memory_device.h"
#include "support/memory_stream.h"
#include "support/scratch_files.h"
#include "tree_build_support.h"

namespace {

// What a build gave: one line a node in tree order (its depth, then every
// field its properties save), the entries found and the progress.
struct BuildOutcome {
  std::vector<std::string> nodes;
  std::uint64_t entries = 0;
  std::vector<std::uint32_t> positions;
  std::vector<std::uint32_t> totals;
  bool operator==(const BuildOutcome&) const = default;
};

BuildOutcome BuildWith(IStorageDevice& device, unsigned threads) {
  CNtfsTreeBuilder builder;
  builder.SetThreads(threads);
  qm::test::RecordingCallback callback;
  CFileNode* root = builder.Build(0, &device, &callback);
  BuildOutcome outcome;
  qm::ForEachInSubtree(root, [&outcome](CFileNode* node) {
    std::size_t depth = 0;
    for (const CFileNode* up = node->GetParent(); up != nullptr; up = up->GetParent())
      ++depth;
    qm::test::MemoryStream saved;
    if (const IFileProperties* properties = node->GetProperties()) properties->Save(&saved);
    outcome.nodes.push_back(std::to_string(depth) + ":" +
                            std::string(saved.bytes.begin(), saved.bytes.end()));
  });
  DeleteFileTree(root);
  outcome.entries = builder.EntriesFound();
  outcome.positions = callback.positions;
  outcome.totals = callback.totals;
  return outcome;
}

void ExpectSameTreeWhateverTheThreads(IStorageDevice& device) {
  const BuildOutcome one = BuildWith(device, 1);
  ASSERT_GT(one.nodes.size(), 10u);
  for (const unsigned threads : {2u, 7u}) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    const BuildOutcome many = BuildWith(device, threads);
    EXPECT_EQ(many.nodes.size(), one.nodes.size());
    EXPECT_TRUE(many == one);
  }
}

std::unique_ptr<IStorageDevice> FixtureDevice(const std::string& name, std::int32_t sectorSize) {
  const std::string path = qm::test::NtfsFixtureImagePath(name);
  EXPECT_FALSE(path.empty()) << name;
  return std::make_unique<qm::MemoryDevice>(qm::ReadFileBytes(path), sectorSize);
}

TEST(TreeBuildThreads, SoundVolumesGiveTheSameTree) {
  const struct {
    const char* fixture;
    std::int32_t sectorSize;
  } cases[] = {
      {"ntfs_basic", 512},    {"ntfs_basic", 4096},  // four records a sector
      {"ntfs_frag512", 512},  {"ntfs_frag4k", 4096}, // a $MFT in several fragments
      {"ntfs_attrlist", 512},                        // records read with their extension records
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fixture << ", " << c.sectorSize << "-byte sectors");
    const auto device = FixtureDevice(c.fixture, c.sectorSize);
    ExpectSameTreeWhateverTheThreads(*device);
  }
}

// Damage done to one record as it lies on the disk; fixed is a fixed-up
// copy to find its attributes by.
using Damage = std::function<void(std::uint8_t* raw, qm::ByteView fixed)>;

// The offset of an attribute's field in the record, or nothing.
std::optional<std::size_t> FieldOf(qm::ByteView fixed, std::uint32_t type, unsigned index,
                                   std::size_t field) {
  const qm::NtfsAttribute a = FindAttribute(fixed, type, index);
  if (!a) return std::nullopt;
  return a.offset + field;
}

void Store32At(std::uint8_t* raw, std::optional<std::size_t> at, std::uint32_t value) {
  if (at) std::memcpy(raw + *at, &value, 4);
}

TEST(TreeBuildThreads, DamagedRecordsGiveTheSameTree) {
  const Damage damages[] = {
      // The update sequence broken in the first and in the second stride.
      [](std::uint8_t* raw, qm::ByteView) { raw[510] ^= 0x5A; },
      [](std::uint8_t* raw, qm::ByteView) { raw[1023] ^= 0x01; },
      // More update-sequence entries than a record has.
      [](std::uint8_t* raw, qm::ByteView) { raw[qm::mft::kUsaCount] = 17; },
      // An attribute that runs past the record, or claims no length.
      [](std::uint8_t* raw, qm::ByteView f) {
        Store32At(raw, FieldOf(f, qm::mft::kStandardInformation, 0, qm::mft::kAttrLength), 0x7FFF);
      },
      [](std::uint8_t* raw, qm::ByteView f) {
        Store32At(raw, FieldOf(f, qm::mft::kFileName, 0, qm::mft::kAttrLength), 0);
      },
      // A name's value running past its attribute; a name cut to nothing.
      [](std::uint8_t* raw, qm::ByteView f) {
        Store32At(raw, FieldOf(f, qm::mft::kFileName, 0, qm::mft::kAttrValueLength), 0x400);
      },
      [](std::uint8_t* raw, qm::ByteView f) {
        const auto at = FieldOf(f, qm::mft::kFileName, 0, 0);
        if (at) raw[*at + f.le16(*at + qm::mft::kAttrValueOffset) + qm::filename::kNameLength] = 0;
      },
      // Mapping pairs that run past the $DATA attribute.
      [](std::uint8_t* raw, qm::ByteView f) {
        const auto at = FieldOf(f, qm::mft::kData, 0, 0);
        if (at && !qm::attr::IsResident(f.sub(*at, 0x48)))
          raw[*at + f.le16(*at + qm::mft::kAttrPairsOffset)] = 0x48;
      },
      // A parent that is the record itself, and one that was never there.
      [](std::uint8_t* raw, qm::ByteView f) {
        const auto at = FieldOf(f, qm::mft::kFileName, 0, 0);
        if (at) Store32At(raw, *at + f.le16(*at + qm::mft::kAttrValueOffset), f.le32(qm::mft::kRecordNumber));
      },
      [](std::uint8_t* raw, qm::ByteView f) {
        const auto at = FieldOf(f, qm::mft::kFileName, 0, 0);
        if (at) Store32At(raw, *at + f.le16(*at + qm::mft::kAttrValueOffset), 0x00ABCDEF);
      },
      // A header that is no FILE record at all.
      [](std::uint8_t* raw, qm::ByteView) { raw[0] = 'B'; },
  };
  auto volume = qm::test::OpenFixtureVolume(512);
  auto& device = static_cast<qm::MemoryDevice&>(*volume.device);
  const BuildOutcome sound = BuildWith(device, 1);
  // Each damage on its own record, from the first files on.
  std::size_t next = 0;
  for (const auto& entry : qm::test::NtfsBasicManifest()) {
    if (next == std::size(damages)) break;
    if (entry.kind != "file" && entry.kind != "dir") continue;
    const auto at = qm::LocateMftRecord(volume.geometry, volume.mftRuns, entry.record);
    ASSERT_TRUE(at);
    std::uint8_t* raw = device.sector(at->sector) + at->offsetInSector;
    std::vector<std::uint8_t> fixed(raw, raw + 1024);
    ApplyUpdateSequenceFixup(fixed);
    damages[next++](raw, qm::ByteView(fixed.data(), fixed.size()));
  }
  ASSERT_EQ(next, std::size(damages));
  EXPECT_FALSE(BuildWith(device, 1) == sound) << "the damage shows in the tree";
  ExpectSameTreeWhateverTheThreads(device);
}

// Gives a protected 1024-byte record a resident attribute list that names
// the next record as holding its $DATA: such a record is read with its
// extension records, from the device, on the build's own thread. False
// when the record has no room.
bool AddAttributeList(std::uint8_t* record, std::uint64_t number) {
  std::vector<std::uint8_t> fixed(record, record + 1024);
  if (!ApplyUpdateSequenceFixup(fixed)) return false;
  const qm::ByteView view(fixed.data(), fixed.size());
  std::size_t end = view.le16(qm::mft::kFirstAttribute);
  while (end < 1016 && view.le32(end) != qm::mft::kEndOfAttributes && view.le32(end + 4) != 0)
    end += view.le32(end + 4);
  constexpr std::size_t kLength = 0x18 + 0x20;
  if (end + kLength + 8 > 1016 || view.le32(end) != qm::mft::kEndOfAttributes) return false;
  std::uint8_t* a = fixed.data() + end;
  std::memset(a, 0, kLength);
  qm::StoreLe32(a, qm::mft::kAttributeList);
  qm::StoreLe32(a + qm::mft::kAttrLength, kLength);
  qm::StoreLe32(a + qm::mft::kAttrValueLength, 0x20);
  qm::StoreLe16(a + qm::mft::kAttrValueOffset, 0x18);
  qm::StoreLe32(a + 0x18, qm::mft::kData);                     // entry: the type it lists,
  qm::StoreLe16(a + 0x18 + 4, 0x20);                           // its length,
  qm::StoreLe64(a + 0x18 + 0x10, (number + 1) | (1ull << 48)); // the record holding it
  qm::StoreLe32(a + kLength, qm::mft::kEndOfAttributes);
  qm::StoreLe32(fixed.data() + qm::mft::kBytesInUse, static_cast<std::uint32_t>(end + kLength + 8));
  qm::test::ProtectRecord(fixed.data());
  std::memcpy(record, fixed.data(), fixed.size());
  return true;
}

TEST(TreeBuildThreads, ALargeMftWithDamagedRecordsGivesTheSameTree) {
  // Several blocks of records, so that blocks are read while others are
  // still being checked; every eleventh record with an attribute list,
  // every seventh damaged at random (seeded).
  qm::test::LargeMftImage large = qm::test::MakeLargeMftImage(qm::test::NtfsBasicImage(), 6000);
  ASSERT_FALSE(large.bytes.empty());
  const auto recordAt = [&large](std::uint64_t n) { return large.bytes.data() + large.mftOffset + n * 1024; };
  std::size_t lists = 0;
  for (std::uint64_t n = qm::test::kLargeMftFirstUserRecord + 3; (n + 1) * 1024 < large.mftBytes; n += 11)
    lists += AddAttributeList(recordAt(n), n) ? 1 : 0;
  EXPECT_GT(lists, 100u);
  std::mt19937 random(20261211);
  for (std::uint64_t n = qm::test::kLargeMftFirstUserRecord; (n + 1) * 1024 <= large.mftBytes; n += 7) {
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < edits; ++i)
      recordAt(n)[0x10 + random() % (1024 - 0x10)] = static_cast<std::uint8_t>(random());
  }
  qm::MemoryDevice device(std::move(large.bytes), 512);
  ExpectSameTreeWhateverTheThreads(device);
}

} // namespace
