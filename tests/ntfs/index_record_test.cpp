#include "ntfs/index_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "fixture_volume.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs_fixture.h"
#include "platform/byte_view.h"
#include "record_builder.h"
#include "storage/text_convert.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qm::StoreLe16;
using qm::StoreLe32;
using qm::StoreLe64;

constexpr std::uint64_t kParent = 0x0003000000000040ull; // record 0x40, sequence 3
constexpr std::size_t kEntries = 0x40;                   // 0x18 + first-entry offset 0x28

// Appends one index entry with a $FILE_NAME key; returns its offset.
std::size_t AddEntry(Bytes& b, std::size_t at, std::uint64_t parent, const std::u16string& name,
                     std::uint16_t flags = 0, std::uint64_t allocated = 4096, std::uint64_t real = 100) {
  const std::size_t key = 0x42 + 2 * name.size();
  const std::size_t length = (16 + key + 7) & ~std::size_t{7};
  StoreLe64(&b[at], 0x0001000000000100ull + at);
  StoreLe16(&b[at + 8], static_cast<std::uint16_t>(length));
  StoreLe16(&b[at + 10], static_cast<std::uint16_t>(key));
  StoreLe16(&b[at + 12], flags);
  StoreLe64(&b[at + 16], parent);
  StoreLe64(&b[at + 56], allocated);
  StoreLe64(&b[at + 64], real);
  b[at + 80] = static_cast<std::uint8_t>(name.size());
  b[at + 81] = 1;
  for (std::size_t i = 0; i < name.size(); ++i)
    StoreLe16(&b[at + 82 + 2 * i], name[i]);
  return at + length;
}

// A sound 4096-byte block with three entries and a last entry, fixed up
// (as a fix-up leaves it) when plain, else protected as on disk.
struct IndxBlock {
  Bytes bytes = Bytes(4096, 0);
  std::size_t entries[3] = {};
  std::size_t last = 0;

  IndxBlock() {
    std::memcpy(bytes.data(), "INDX", 4);
    StoreLe16(&bytes[4], 0x28);
    StoreLe16(&bytes[6], 9);
    StoreLe64(&bytes[0x10], 7);
    StoreLe32(&bytes[0x18], 0x28);
    StoreLe32(&bytes[0x20], 0xFE8);
    std::size_t at = kEntries;
    const char16_t* names[] = {u"alpha.txt", u"beta.doc", u"gamma"};
    for (int i = 0; i < 3; ++i) {
      entries[i] = at;
      at = AddEntry(bytes, at, kParent, names[i]);
    }
    last = at;
    StoreLe16(&bytes[at + 8], 16);
    StoreLe16(&bytes[at + 12], 2);
    SetInUse(at + 16 - 0x18);
    // Distinct bytes at the stride ends, kept in the array.
    for (int i = 0; i < 8; ++i) {
      bytes[512 * i + 510] = static_cast<std::uint8_t>(0xA0 + i);
      bytes[512 * i + 511] = static_cast<std::uint8_t>(0xB0 + i);
    }
  }
  void SetInUse(std::size_t n) { StoreLe32(&bytes[0x1C], static_cast<std::uint32_t>(n)); }
  // The on-disk form: the sequence number over each stride end.
  Bytes Protected(std::uint16_t sequence = 0x0042) const {
    Bytes b = bytes;
    StoreLe16(&b[0x28], sequence);
    for (int i = 0; i < 8; ++i) {
      std::memcpy(&b[0x2A + 2 * i], &b[512 * i + 510], 2);
      StoreLe16(&b[512 * i + 510], sequence);
    }
    return b;
  }
};

qm::ByteView View(const Bytes& b) { return qm::ByteView(b.data(), b.size()); }

TEST(IndxRecord, SoundBlockPassesAndLeavesUnchanged) {
  IndxBlock block;
  Bytes disk = block.Protected();
  const Bytes before = disk;
  EXPECT_TRUE(IsIndxMagic(View(disk)));
  EXPECT_TRUE(IsValidIndxHeader(View(disk)));
  EXPECT_TRUE(CheckIndxFixup(View(disk)));
  EXPECT_TRUE(IsValidIndxRecord(disk));
  EXPECT_EQ(disk, before);

  ASSERT_TRUE(ApplyIndxFixup(disk));
  EXPECT_EQ(disk, [&] {
    Bytes fixed = block.bytes;
    std::memcpy(&fixed[0x28], &before[0x28], 18); // the array stays
    return fixed;
  }());
  EXPECT_EQ(GetIndxParent(View(disk)), 0x40);
  EXPECT_EQ(GetIndxVcn(View(disk)), 7u);
  const auto entries = qm::DecodeIndxEntries(View(disk));
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 3u);
  EXPECT_EQ((*entries)[1].name, u"beta.doc");
  EXPECT_EQ((*entries)[1].parentReference, kParent);
  ASSERT_TRUE(RestoreIndxFixup(disk));
  EXPECT_EQ(disk, before);
}

TEST(IndxRecord, HeaderRules) {
  struct Row {
    const char* what;
    std::function<void(Bytes&)> patch;
    bool valid;
  };
  const Row rows[] = {
      {"update-sequence offset 40", [](Bytes& b) { StoreLe16(&b[4], 40); }, true},
      {"update-sequence offset 256", [](Bytes& b) { StoreLe16(&b[4], 256); }, true},
      {"update-sequence offset 39", [](Bytes& b) { StoreLe16(&b[4], 39); }, false},
      {"update-sequence offset 257", [](Bytes& b) { StoreLe16(&b[4], 257); }, false},
      {"count not matching the sizes", [](Bytes& b) { StoreLe16(&b[6], 8); }, false},
      {"allocated size past the block", [](Bytes& b) { StoreLe32(&b[0x20], 0x1008); }, false},
      {"in use above allocated", [](Bytes& b) { StoreLe32(&b[0x1C], 0xFF0); }, false},
      {"other magic", [](Bytes& b) { b[0] = 'F'; }, false},
      {"count 0", [](Bytes& b) { StoreLe16(&b[6], 0); }, false},
  };
  for (const Row& row : rows) {
    Bytes b = IndxBlock().Protected();
    row.patch(b);
    EXPECT_EQ(IsValidIndxHeader(View(b)), row.valid) << row.what;
  }
  // Sixteen strides at most, whatever the block's length.
  for (const std::uint16_t count : {16, 17}) {
    Bytes big = IndxBlock().Protected();
    big.resize(17 * 512);
    StoreLe32(&big[0x20], (count - 1) * 512 - 0x28);
    StoreLe16(&big[6], count);
    EXPECT_EQ(IsValidIndxHeader(View(big)), count == 16);
  }
  // A block shorter than its header, and a 1024-byte block whose count
  // names eight strides.
  Bytes b = IndxBlock().Protected();
  EXPECT_FALSE(IsValidIndxHeader(qm::ByteView(b.data(), 0x20)));
  EXPECT_FALSE(IsValidIndxHeader(qm::ByteView(b.data(), 1024)));
}

TEST(IndxRecord, FixupRefusesWithoutTouchingTheBlock) {
  struct Row {
    const char* what;
    std::function<void(Bytes&)> patch;
    std::size_t length;
  };
  const Row rows[] = {
      {"a stride end that differs", [](Bytes& b) { b[3 * 512 + 510] ^= 1; }, 4096},
      {"count 0 would wrap", [](Bytes& b) { StoreLe16(&b[6], 0); }, 4096},
      {"array past the block end", [](Bytes& b) { StoreLe16(&b[4], 4090); }, 4096},
      {"strides past the block end", [](Bytes&) {}, 1024},
  };
  for (const Row& row : rows) {
    Bytes b = IndxBlock().Protected();
    row.patch(b);
    b.resize(row.length);
    const Bytes before = b;
    EXPECT_FALSE(CheckIndxFixup(View(b))) << row.what;
    EXPECT_FALSE(ApplyIndxFixup(b)) << row.what;
    EXPECT_FALSE(IsValidIndxRecord(b)) << row.what;
    EXPECT_EQ(b, before) << row.what;
  }
}

TEST(IndxRecord, EntryRules) {
  struct Row {
    const char* what;
    std::function<void(IndxBlock&)> patch;
    bool valid;
  };
  const Row rows[] = {
      {"sound", [](IndxBlock&) {}, true},
      {"an entry of another parent",
       [](IndxBlock& k) { StoreLe64(&k.bytes[k.entries[2] + 16], kParent + 1); }, false},
      {"a parent of another sequence", [](IndxBlock& k) { k.bytes[k.entries[1] + 22] = 9; }, false},
      {"real size above allocated", [](IndxBlock& k) { StoreLe64(&k.bytes[k.entries[1] + 64], 4097); },
       false},
      {"real size above allocated of a sparse file",
       [](IndxBlock& k) {
         StoreLe64(&k.bytes[k.entries[1] + 64], 1u << 30);
         StoreLe32(&k.bytes[k.entries[1] + 72], 0x220);
       },
       true},
      {"real size above allocated of a compressed file",
       [](IndxBlock& k) {
         StoreLe64(&k.bytes[k.entries[1] + 64], 1u << 30);
         StoreLe32(&k.bytes[k.entries[1] + 72], 0x820);
       },
       true},
      {"a sub-node entry is passed over",
       [](IndxBlock& k) {
         StoreLe16(&k.bytes[k.entries[2] + 12], 1);
         StoreLe64(&k.bytes[k.entries[2] + 16], 99);
         StoreLe64(&k.bytes[k.entries[2] + 64], 1u << 30);
       },
       true},
      {"length 0 ends the walk",
       [](IndxBlock& k) {
         StoreLe16(&k.bytes[k.entries[1] + 8], 0);
         StoreLe64(&k.bytes[k.entries[2] + 16], 99);
       },
       true},
      {"a last entry ends the walk",
       [](IndxBlock& k) {
         StoreLe16(&k.bytes[k.entries[1] + 12], 2);
         StoreLe64(&k.bytes[k.entries[2] + 16], 99);
       },
       true},
      {"no last entry: the size in use ends the walk", [](IndxBlock& k) { k.SetInUse(k.last - 0x18); }, true},
      {"first entry offset past the block", [](IndxBlock& k) { StoreLe32(&k.bytes[0x18], 0x1000); }, false},
      {"a nearly full block: in use up to the block end", [](IndxBlock& k) { k.SetInUse(0x1000 - 0x18); },
       true},
      {"size in use past the block end", [](IndxBlock& k) { k.SetInUse(0x1000 - 0x18 + 1); }, false},
      {"first entry after the end of the size in use", [](IndxBlock& k) { StoreLe32(&k.bytes[0x18], 0xF00); },
       false},
      {"an entry running off the size in use", [](IndxBlock& k) { k.SetInUse(k.entries[2] + 40 - 0x18); },
       false},
      {"an entry header cut by the size in use", [](IndxBlock& k) { k.SetInUse(k.entries[2] + 8 - 0x18); },
       false},
      {"an entry longer than the block", [](IndxBlock& k) { StoreLe16(&k.bytes[k.entries[2] + 8], 0xFFF8); },
       false},
      {"an entry shorter than its header", [](IndxBlock& k) { StoreLe16(&k.bytes[k.entries[1] + 8], 8); },
       false},
      {"a key longer than its entry", [](IndxBlock& k) { StoreLe16(&k.bytes[k.entries[1] + 10], 0x200); },
       false},
      {"a key too short for its sizes", [](IndxBlock& k) { StoreLe16(&k.bytes[k.entries[1] + 10], 0x20); },
       false},
  };
  for (const Row& row : rows) {
    IndxBlock block;
    row.patch(block);
    // Exactly the block's bytes, so that a read past them is caught.
    EXPECT_EQ(CheckIndxEntries(View(block.bytes)), row.valid) << row.what;
  }
}

TEST(IndxRecord, ParentAndEntriesOfACutBlock) {
  IndxBlock block;
  StoreLe32(&block.bytes[0x18], 0xFF0);
  block.SetInUse(0);
  EXPECT_EQ(GetIndxParent(View(block.bytes)), -1);
  EXPECT_EQ(GetIndxParent(qm::ByteView(block.bytes.data(), 0x20)), -1);
  EXPECT_FALSE(qm::DecodeIndxEntries(qm::ByteView(block.bytes.data(), 0x20)));
}

// A resident $INDEX_ROOT with entries of the given parents.
Bytes IndexRootAttribute(const std::vector<std::uint64_t>& parents, bool lastEntry = true) {
  Bytes value(16 + 16, 0);
  StoreLe32(&value[0], 0x30);
  StoreLe32(&value[8], 4096);
  std::size_t at = value.size();
  for (std::uint64_t parent : parents) {
    value.resize(at + 0x70);
    at = AddEntry(value, at, parent, u"name");
  }
  if (lastEntry) {
    value.resize(at + 16);
    StoreLe16(&value[at + 8], 16);
    StoreLe16(&value[at + 12], 2);
    at += 16;
  }
  value.resize(at);
  StoreLe32(&value[16], 16);
  StoreLe32(&value[20], static_cast<std::uint32_t>(at - 16));
  StoreLe32(&value[24], static_cast<std::uint32_t>(at - 16));
  qm::test::RecordBuilder record(1024, 3);
  const std::size_t offset = record.AddResident(0x90, value, u"$I30");
  const Bytes plain = record.Plain();
  return Bytes(plain.begin() + offset,
               plain.begin() + offset + qm::ByteView(plain.data(), plain.size()).le32(offset + 4));
}

TEST(IndexRoot, CommonParentOfTheEntries) {
  EXPECT_EQ(GetIndexRootParent(View(IndexRootAttribute({kParent, kParent, kParent}))), 0x40);
  EXPECT_EQ(GetIndexRootParent(View(IndexRootAttribute({kParent}, false))), 0x40);
  EXPECT_EQ(GetIndexRootParent(View(IndexRootAttribute({kParent, 0x41}))), -1) << "two parents";
  EXPECT_EQ(GetIndexRootParent(View(IndexRootAttribute({}))), -1) << "no entries";

  Bytes cut = IndexRootAttribute({kParent, kParent});
  StoreLe32(&cut[0x18 + 8 + 20], 0x4000); // total size beyond the value
  EXPECT_EQ(GetIndexRootParent(View(cut)), -1);
  Bytes far = IndexRootAttribute({kParent, kParent});
  StoreLe32(&far[0x18 + 8 + 16], 0x7FFFFFF0); // first entry far past the value
  EXPECT_EQ(GetIndexRootParent(View(far)), -1);
}

// The fixture's folders: every block of their index allocation is a sound
// INDX record whose entries all name the folder as parent and, together,
// list exactly the names the folder holds.
struct FolderIndex {
  std::uint64_t record;
  std::set<std::u16string> names;
  std::size_t blocks = 0;
};

FolderIndex ReadFolderIndex(qm::test::FixtureVolume& v, std::uint64_t folder) {
  FolderIndex result{folder, {}, 0};
  const auto record = qm::test::LoadFixtureRecord(v, folder);
  EXPECT_TRUE(record && record->IsValid());
  const auto allocation = record->FindAttributeAnywhere(qm::mft::kIndexAllocation, 0);
  EXPECT_TRUE(allocation);
  const auto nr = qm::ReadNonResident(allocation.attribute.bytes);
  EXPECT_TRUE(nr);
  qm::NtfsRunList runs;
  DecodeDataRuns(nr->mappingPairs, runs, nr->firstVcn);
  const std::uint64_t clusterSectors = v.geometry.sectorsPerCluster;
  const std::uint32_t sectorSize = v.geometry.sectorSize;
  for (std::uint64_t vcn = 0; vcn * 4096 < nr->initializedSize; ++vcn) {
    const std::int64_t lcn = VcnToLcn(runs, vcn);
    EXPECT_GE(lcn, 0);
    Bytes block(4096);
    EXPECT_TRUE(v.device->ReadSectors(block.data(), static_cast<std::uint64_t>(lcn) * clusterSectors,
                                      4096 / sectorSize));
    const Bytes before = block;
    EXPECT_TRUE(IsValidIndxRecord(block)) << "folder " << folder << " vcn " << vcn;
    EXPECT_EQ(block, before);
    EXPECT_TRUE(ApplyIndxFixup(block));
    EXPECT_EQ(GetIndxVcn(View(block)), vcn);
    EXPECT_EQ(GetIndxParent(View(block)), static_cast<std::int64_t>(folder));
    const auto entries = qm::DecodeIndxEntries(View(block));
    EXPECT_TRUE(entries);
    if (!entries) continue;
    for (const auto& e : *entries) {
      EXPECT_EQ(e.parentReference & qm::kRecordNumberMask, folder);
      if ((e.fileFlags & 0xA00) == 0) {
        EXPECT_LE(e.realSize, e.allocatedSize);
      }
      result.names.insert(e.name);
    }
    ++result.blocks;
  }
  // Entries that point to sub-nodes hold names too: those in the root.
  const auto root = record->FindAttributeAnywhere(0x90, 0);
  EXPECT_TRUE(root);
  const auto rootParent = GetIndexRootParent(root.attribute.bytes);
  EXPECT_TRUE(rootParent == -1 || rootParent == static_cast<std::int64_t>(folder));
  return result;
}

class FixtureIndex : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(FixtureIndex, RootFolderBlocksListItsEntries) {
  auto v = qm::test::OpenFixtureVolume(GetParam());
  const FolderIndex root = ReadFolderIndex(v, 5);
  EXPECT_EQ(root.blocks, 1u);
  for (const auto& entry : qm::test::NtfsBasicManifest()) {
    if (entry.parent != 5 || entry.kind == "stream" || entry.kind.rfind("deleted", 0) == 0) continue;
    EXPECT_TRUE(root.names.count(qm::Utf8ToUtf16String(entry.Name()))) << entry.path;
  }
  for (const char16_t* system : {u"$MFT", u"$MFTMirr", u"$LogFile", u"$Volume", u"$Bitmap", u"$UpCase"})
    EXPECT_TRUE(root.names.count(system));
}

TEST_P(FixtureIndex, LargeFolderSpreadsOverManyBlocks) {
  auto v = qm::test::OpenFixtureVolume(GetParam());
  const FolderIndex many = ReadFolderIndex(v, 76);
  EXPECT_GT(many.blocks, 50u);
  // Its root holds only the pointer to the top block: no parent there.
  const auto record = qm::test::LoadFixtureRecord(v, 76);
  EXPECT_EQ(GetIndexRootParent(record->FindAttributeAnywhere(0x90, 0).attribute.bytes), -1);
  const std::set<std::u16string>& names = many.names;
  EXPECT_EQ(names.size(), 2000u);
  EXPECT_TRUE(names.count(u"small0000.txt"));
  EXPECT_TRUE(names.count(u"small1999.txt"));
}

TEST_P(FixtureIndex, SmallFoldersNameThemselvesInTheirRoot) {
  auto v = qm::test::OpenFixtureVolume(GetParam());
  for (std::uint64_t folder : {64, 71, 72}) {
    const auto record = qm::test::LoadFixtureRecord(v, folder);
    ASSERT_TRUE(record);
    EXPECT_EQ(GetIndexRootParent(record->FindAttributeAnywhere(0x90, 0).attribute.bytes),
              static_cast<std::int64_t>(folder));
  }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, FixtureIndex, ::testing::Values(512, 4096));

} // namespace
