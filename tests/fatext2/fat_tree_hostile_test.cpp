// The quick build over FAT32 volumes written byte by byte into shapes that
// only damage or malice make: folders that point back at their ancestors,
// looping chains, thousands of nesting levels, entries that point past the
// volume, a long name split between two reads, and two live folders that
// claim the same cluster. Every build must end with a finite tree.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "fat32_volume_builder.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "ntfs/recycle_bin.h"
#include "ntfs/tree_build_support.h"
#include "platform/log.h"
#include "support/memory_device.h"

namespace {

using qm::test::Fat32VolumeBuilder;

CFATSearchedPartitionInfo Fat32Partition() {
  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(2);
  partition.SetFlags(qm::kFatFoundBoot32 | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
  return partition;
}

CFileSystemNode* Build(Fat32VolumeBuilder& volume, qm::MemoryDevice*& deviceOut) {
  static std::vector<std::unique_ptr<qm::MemoryDevice>> devices;
  devices.push_back(std::make_unique<qm::MemoryDevice>(volume.Bytes()));
  deviceOut = devices.back().get();
  CFatTreeBuilder builder;
  return builder.QuickBuild(nullptr, Fat32Partition(), deviceOut, 1);
}

CFileSystemNode* Build(Fat32VolumeBuilder& volume) {
  qm::MemoryDevice* device = nullptr;
  return Build(volume, device);
}

std::vector<std::string> CollectLog(const std::function<void()>& run) {
  std::vector<std::string> lines;
  std::mutex mutex;
  const int id = qm::AddLogObserver([&](LogKind, std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex);
    lines.emplace_back(text);
  });
  run();
  qm::RemoveLogObserver(id);
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

TEST(FatTreeHostile, FoldersPointingAtThemselvesOrTheirAncestorsEndAsEmptyFolders) {
  Fat32VolumeBuilder volume(40000);
  const std::uint32_t a = volume.AddFolder(2, "A          ");
  const std::uint32_t b = volume.AddFolder(a, "B          ");
  volume.AddFile(b, "KEEP    TXT", 700, 0x5A);
  volume.AddEntry(b, "TOA        ", 0x10, a, 0);    // an ancestor
  volume.AddEntry(b, "TOROOT     ", 0x10, 2, 0);    // the root
  volume.AddEntry(b, "TOSELF     ", 0x10, b, 0);    // itself
  volume.AddEntry(2, "ALSOB      ", 0x10, b, 0);    // a live twin of B
  CFileSystemNode* root = nullptr;
  const auto log = CollectLog([&] { root = Build(volume); });
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  // The root is read first, so its twin of B is the one found first and
  // kept; B itself is dropped with a warning.
  EXPECT_TRUE(Contains(log, "We found two undeleted directory got the same first cluster number!"));
  EXPECT_EQ(paths.byPath.count("ALSOB/KEEP.TXT"), 1u);
  EXPECT_EQ(paths.byPath.count("A/B"), 0u);
  ASSERT_EQ(paths.byPath.count("A"), 1u);
  // The ones naming an ancestor or themselves are dropped; the one naming
  // the root stays, empty, as the root's cluster is read once.
  EXPECT_EQ(paths.byPath.count("ALSOB/TOA"), 0u);
  EXPECT_EQ(paths.byPath.count("ALSOB/TOSELF"), 0u);
  ASSERT_EQ(paths.byPath.count("ALSOB/TOROOT"), 1u);
  EXPECT_EQ(paths.byPath.at("ALSOB/TOROOT")->GetFirstChild(), nullptr);
  EXPECT_EQ(paths.nodes, 4u);
  DeleteFileTree(root);
}

TEST(FatTreeHostile, AFolderNamingItsAncestorNeverTakesItsPlace) {
  // Of two deleted folders with one cluster the later one wins; were it to
  // take the place of a folder above it, that folder (and so the winner)
  // would end up below itself.
  Fat32VolumeBuilder volume(40000);
  const std::uint32_t a = volume.AddFolder(2, "AA         ");
  volume.Cluster(a)[0] = '.';
  // Mark the root's entry of AA deleted.
  std::uint8_t* rootEntry = volume.Cluster(2);
  ASSERT_EQ(rootEntry[0], 'A');
  rootEntry[0] = 0xE5;
  const std::uint32_t b = volume.AddFolder(a, "B          ");
  volume.AddFile(b, "KEEP    TXT", 300, 9);
  volume.AddEntry(b, "UP         ", 0x10, a, 0);
  // Written later than AA, so of the two deleted folders it is preferred.
  qm::StoreLe16(volume.Cluster(b) + 3 * 32 + 0x18, (45 << 9) | (1 << 5) | 1);
  CFileSystemNode* root = Build(volume);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.byPath.count("#A/B/KEEP.TXT"), 1u);
  EXPECT_EQ(paths.byPath.count("#A/B/UP"), 0u);
  EXPECT_EQ(paths.nodes, 3u);
  DeleteFileTree(root);
}

TEST(FatTreeHostile, AFolderWhoseClusterHoldsNoDotEntriesIsNotReadAsOne) {
  // The entry points at a file's data, which happens to look like entries:
  // without "." and ".." first it is no directory, and nothing in it is
  // taken for a file.
  Fat32VolumeBuilder volume(40000);
  const std::uint32_t decoy = volume.AddFolder(2, "DECOY      ");
  volume.AddFile(decoy, "GHOST   TXT", 500, 3);
  std::uint8_t* first = volume.Cluster(decoy);
  first[0] = 'X'; // no longer "."
  volume.AddEntry(2, "POINTER    ", 0x10, decoy, 0);
  CFileSystemNode* root = Build(volume);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.byPath.count("DECOY"), 1u);
  EXPECT_EQ(paths.byPath.count("DECOY/GHOST.TXT"), 0u);
  EXPECT_EQ(paths.byPath.count("POINTER/GHOST.TXT"), 0u);
  DeleteFileTree(root);
}

TEST(FatTreeHostile, ALoopingDirectoryChainEnds) {
  Fat32VolumeBuilder volume(40000);
  const std::uint32_t a = volume.AddFolder(2, "LOOP       ", 2);
  volume.AddFile(a, "ONE     TXT", 10, 1);
  // The folder's second cluster leads back to its first.
  volume.SetFat(a + 1, a);
  CFileSystemNode* root = Build(volume);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.byPath.count("LOOP/ONE.TXT"), 1u);
  DeleteFileTree(root);
}

TEST(FatTreeHostile, ThousandsOfNestingLevels) {
  constexpr int kLevels = 5000;
  Fat32VolumeBuilder volume(kLevels + 100);
  std::uint32_t folder = 2;
  for (int i = 0; i < kLevels; ++i)
    folder = volume.AddFolder(folder, Fat32VolumeBuilder::Name("D", static_cast<std::uint32_t>(i), "   "));
  volume.AddFile(folder, "BOTTOM  BIN", 1000, 0x42);
  CFileSystemNode* root = Build(volume);
  ASSERT_NE(root, nullptr);
  int depth = 0;
  CFileNode* node = root;
  while (node->GetFirstChild() != nullptr && node->GetFirstChild()->GetProperties()->IsFolder()) {
    node = node->GetFirstChild();
    ++depth;
  }
  EXPECT_EQ(depth, kLevels);
  ASSERT_NE(node->GetFirstChild(), nullptr);
  EXPECT_STREQ(node->GetFirstChild()->GetProperties()->GetName(), "BOTTOM.BIN");
  EXPECT_EQ(node->GetFirstChild()->GetProperties()->GetSize(), 1000u);
  DeleteFileTree(root);
}

TEST(FatTreeHostile, EntriesPointingPastTheVolumeAreLeftOut) {
  Fat32VolumeBuilder volume(40000);
  volume.AddFile(2, "GOOD    TXT", 600, 7);
  volume.AddEntry(2, "FAR     TXT", 0x20, 0x0FFFFF00, 1000);
  volume.AddEntry(2, "FARDIR     ", 0x10, 40000 + 5, 0);
  // Starts inside the volume, but its size runs past the end.
  volume.AddEntry(2, "LONG    TXT", 0x20, 40000, 100000);
  CFileSystemNode* root = nullptr;
  const auto log = CollectLog([&] { root = Build(volume); });
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.byPath.count("GOOD.TXT"), 1u);
  EXPECT_EQ(paths.nodes, 1u);
  EXPECT_TRUE(Contains(log, "File overflows partition!"));
  DeleteFileTree(root);
}

// Writes the long-name pieces of name (ASCII) before slot `at` of a
// directory's bytes; returns the slot after them.
std::size_t PutLongName(std::uint8_t* dir, std::size_t at, const std::string& name) {
  const std::size_t pieces = (name.size() + 12) / 13;
  for (std::size_t p = pieces; p-- > 0;) {
    std::uint8_t* e = dir + at * 32;
    std::memset(e, 0, 32);
    e[0] = static_cast<std::uint8_t>((p + 1) | (p + 1 == pieces ? 0x40 : 0));
    e[0x0B] = 0x0F;
    static constexpr int kUnitAt[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (int u = 0; u < 13; ++u) {
      const std::size_t i = p * 13 + static_cast<std::size_t>(u);
      const std::uint16_t unit = i < name.size() ? static_cast<std::uint8_t>(name[i]) : i == name.size() ? 0 : 0xFFFF;
      qm::StoreLe16(e + kUnitAt[u], unit);
    }
    ++at;
  }
  return at;
}

TEST(FatTreeHostile, ALongNameSplitBetweenTwoReadsKeepsItsPieces) {
  Fat32VolumeBuilder volume(40000);
  // 130 sectors of entries: the first read takes 128 of them.
  const std::uint32_t big = volume.AddFolder(2, "BIG        ", 130);
  for (std::uint32_t i = 0; i < 128 * 16 - 4; ++i)
    volume.AddEntry(big, Fat32VolumeBuilder::Name("F", i, "TXT"), 0x20, 0, 0);
  // Two pieces in the last slots of the first read, the short entry in the
  // first slot of the second.
  const std::string name = "a name that spans reads.txt";
  std::uint8_t* dir = volume.Cluster(big);
  const std::size_t after = PutLongName(dir, 128 * 16 - 2, name);
  ASSERT_EQ(after, 128u * 16 + 1);
  // Slots were counted by the builder up to here; write the short entry by
  // hand after the pieces.
  const std::uint32_t data = volume.AddFile(2, "TMP     TXT", 900, 0x33);
  std::memcpy(dir + after * 32, dir + 5 * 32, 32); // any short entry
  std::memcpy(dir + after * 32, "ANAMET~1TXT", 11);
  qm::StoreLe16(dir + after * 32 + 0x1A, static_cast<std::uint16_t>(data));
  qm::StoreLe32(dir + after * 32 + 0x1C, 900);
  CFileSystemNode* root = Build(volume);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(paths.byPath.count("BIG/" + name), 1u);
  EXPECT_EQ(paths.byPath.count("BIG/ANAMET~1.TXT"), 0u);
  EXPECT_EQ(paths.byPath.count("BIG/F00000.TXT"), 1u);
  DeleteFileTree(root);
}

} // namespace
