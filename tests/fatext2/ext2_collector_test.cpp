// The collected memory of the reader: inode objects kept through a
// collection forced in the middle of a walk, candidate descriptor tables
// kept while collections run during the table search, and a worker thread
// that runs the reader.
#include <gtest/gtest.h>

#include <gc/gc_allocator.h>

#include <thread>
#include <vector>

#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_exceptions.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_fixture.h"
#include "fatext2/ext2_inode.h"
#include "fatext2/ext2_inode_table_cursor.h"
#include "support/memory_device.h"

using namespace qm::test;

namespace {

// A device that runs a full collection before every read, so that
// anything collected memory holds only through an untraced pointer is
// reclaimed (and reused by the next collected allocation).
class CollectingDevice : public qm::MemoryDevice {
public:
  using MemoryDevice::MemoryDevice;
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    qm::ext2::CollectNow();
    return MemoryDevice::ReadSectors(buffer, first, count);
  }
};

// Walks every inode into collected objects held by a collector-visible
// list, forcing collections (and collected garbage) halfway, and checks
// each object against a fresh load at the end.
void WalkWithCollections(CExt2FileSystem& fileSystem) {
  std::vector<CExt2Inode*, gc_allocator<CExt2Inode*>> kept;
  const std::uint32_t half = fileSystem.SuperBlock().InodeCount() / 2;
  for (auto it = fileSystem.FirstInodeCursor(), end = fileSystem.EndInodeCursor(); it != end; it.Next()) {
    CExt2Inode* inode = qm::ext2::NewCollectedInode();
    it.Read(*inode);
    if (inode->IsInUse())
      kept.push_back(inode);
    else
      qm::ext2::FreeCollectedInode(inode);
    if (it.GetNumber() == half) {
      qm::ext2::CollectNow();
      for (int i = 0; i < 1000; ++i)
        std::memset(qm::ext2::CollectedBytes(sizeof(CExt2Inode)), 0x5A, sizeof(CExt2Inode));
      qm::ext2::CollectNow();
    }
  }
  ASSERT_GT(kept.size(), 150u);
  CExt2Inode fresh;
  for (CExt2Inode* inode : kept) {
    fresh.Load(&fileSystem, inode->GetNumber());
    ASSERT_TRUE(
        std::equal(fresh.Raw().bytes().begin(), fresh.Raw().bytes().end(), inode->Raw().bytes().begin()))
        << inode->GetNumber();
    ASSERT_EQ(inode->GetFileSystem(), &fileSystem);
  }
  for (CExt2Inode* inode : kept)
    qm::ext2::FreeCollectedInode(inode);
}

TEST(Ext2Collector, InodeObjectsSurviveACollectionInTheMiddleOfAWalk) {
  qm::MemoryDevice device(GetExt2Image(Ext2Layout::Ext2Blocks1K).Bytes());
  CExt2FileSystem fileSystem(&device, 2);
  WalkWithCollections(fileSystem);
}

TEST(Ext2Collector, CandidateTablesSurviveCollectionsDuringTheSearch) {
  // Copies in groups 0, 1, 3, 5 and 7; every copy differs, so the search
  // keeps all of them as candidates and takes the last.
  std::vector<std::uint8_t> bytes = GetExt2Image(Ext2Layout::Ext2SmallGroups).Bytes();
  const std::uint32_t original = qm::ByteView(bytes.data(), bytes.size()).le32(2 * 1024 + 2 * 32);
  for (std::uint32_t copy : {0u, 1u, 3u, 5u, 7u})
    qm::StoreLe32(bytes.data() + (copy * 2048 + 2) * 1024 + 2 * 32, original + copy + 1);
  // Group 7's copy now agrees with group 3's: the search must still hold
  // group 3's table to notice.
  qm::StoreLe32(bytes.data() + (7 * 2048 + 2) * 1024 + 2 * 32, original + 4);
  CollectingDevice device(bytes);
  CExt2FileSystem fileSystem(&device, 2);
  EXPECT_EQ(fileSystem.BlockBitmapBlock(2), original + 4);
}

TEST(Ext2Collector, WorkerThreadRunsTheReader) {
  qm::ext2::InitCollector();
  const std::vector<std::uint8_t> bytes = GetExt2Image(Ext2Layout::Ext2Blocks1K).Bytes();
  bool done = false;
  std::thread worker([&] {
    qm::ext2::CollectorThreadScope scope;
    CollectingDevice device(bytes);
    CExt2FileSystem fileSystem(&device, 2);
    qm::MemoryDevice plain(bytes);
    CExt2FileSystem again(&plain, 2);
    WalkWithCollections(again);
    done = true;
  });
  worker.join();
  EXPECT_TRUE(done);
}

} // namespace
