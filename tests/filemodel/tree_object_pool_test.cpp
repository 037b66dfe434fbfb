#include "filemodel/tree_object_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"

namespace {

// Objects of every size are distinct, aligned, usable over their whole
// size, and survive the others' frees; emptied chunks go back to the
// system but for one per size.
TEST(TreeObjectPool, ObjectsOfEverySizeStayIntactAndChunksAreReturned) {
  const qm::TreeObjectPoolUse before = qm::GetTreeObjectPoolUse();
  struct Object {
    std::uint8_t* at;
    std::size_t size;
    std::uint8_t fill;
  };
  std::vector<Object> objects;
  std::mt19937 random(7);
  for (int i = 0; i < 60000; ++i) {
    const std::size_t size = 1 + random() % 300; // some beyond the pool's sizes
    auto* at = static_cast<std::uint8_t*>(qm::AllocateTreeObject(size));
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(at) % 16, 0u);
    const auto fill = static_cast<std::uint8_t>(i);
    std::memset(at, fill, size);
    objects.push_back({at, size, fill});
  }
  // Objects beyond the pool's sizes come from the heap; the others count.
  const auto pooled = std::count_if(objects.begin(), objects.end(),
                                    [](const Object& o) { return o.size <= qm::kTreeObjectMaxBytes; });
  EXPECT_EQ(qm::GetTreeObjectPoolUse().objects, before.objects + static_cast<std::size_t>(pooled));
  EXPECT_GE(qm::GetTreeObjectPoolUse().chunks, 1u);
  std::shuffle(objects.begin(), objects.end(), random);
  // Free half, allocate again into the holes, then check everything.
  for (std::size_t i = 0; i < objects.size() / 2; ++i)
    qm::FreeTreeObject(objects[i].at, objects[i].size);
  objects.erase(objects.begin(), objects.begin() + static_cast<std::ptrdiff_t>(objects.size() / 2));
  for (int i = 0; i < 20000; ++i) {
    const std::size_t size = 1 + random() % 256;
    auto* at = static_cast<std::uint8_t*>(qm::AllocateTreeObject(size));
    std::memset(at, 0xEE, size);
    objects.push_back({at, size, 0xEE});
  }
  for (const Object& o : objects)
    ASSERT_TRUE(std::all_of(o.at, o.at + o.size, [&](std::uint8_t b) { return b == o.fill; }));
  for (const Object& o : objects)
    qm::FreeTreeObject(o.at, o.size);
  const qm::TreeObjectPoolUse after = qm::GetTreeObjectPoolUse();
  EXPECT_EQ(after.objects, before.objects);
  EXPECT_LE(after.chunks, before.chunks + 16) << "at most one emptied chunk kept per size";
}

// Nodes and trees made and deleted on several threads at once.
TEST(TreeObjectPool, TreesBuiltAndDeletedOnSeveralThreads) {
  const qm::TreeObjectPoolUse before = qm::GetTreeObjectPoolUse();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([] {
      for (int round = 0; round < 5; ++round) {
        CFileNode* root = CreateFileSystemNode();
        CFileNode* folder = root;
        for (int i = 0; i < 20000; ++i) {
          CFileNode* node = folder->AddChild(CreateFileNode());
          if (i % 100 == 0) folder = node;
        }
        DeleteFileTree(root);
      }
    });
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(qm::GetTreeObjectPoolUse().objects, before.objects);
}

// Threads that allocate side by side, each through a cache of its own, get
// distinct whole objects; what a cache took and did not hand out goes back
// when it ends, and the chunks that threads made at the same time and did
// not need go back at the trim.
TEST(TreeObjectPool, CachesOnSeveralThreadsAndTheTrim) {
  const qm::TreeObjectPoolUse before = qm::GetTreeObjectPoolUse();
  constexpr int kThreads = 6;
  constexpr std::size_t kEach = 30000;
  constexpr std::size_t kSize = 112;
  std::vector<std::vector<std::uint8_t*>> objects(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t, &objects] {
      const qm::TreeObjectCache cache;
      for (std::size_t i = 0; i < kEach; ++i) {
        auto* at = static_cast<std::uint8_t*>(qm::AllocateTreeObject(kSize));
        std::memset(at, t, kSize);
        objects[t].push_back(at);
        if (i % 1000 == 0) qm::FreeTreeObject(qm::AllocateTreeObject(40), 40); // another size between
      }
    });
  for (auto& thread : threads)
    thread.join();
  for (int t = 0; t < kThreads; ++t)
    for (const std::uint8_t* at : objects[t])
      ASSERT_TRUE(std::all_of(at, at + kSize, [t](std::uint8_t b) { return b == t; }));
  EXPECT_EQ(qm::GetTreeObjectPoolUse().objects, before.objects + kThreads * kEach);
  qm::TrimTreeObjectPool();
  const std::size_t chunkObjects = ((std::size_t{2} << 20) - 64) / kSize;
  const std::size_t needed = (kThreads * kEach + chunkObjects - 1) / chunkObjects;
  EXPECT_LE(qm::GetTreeObjectPoolUse().chunks, before.chunks + needed + 1);
  for (const auto& taken : objects)
    for (std::uint8_t* at : taken)
      qm::FreeTreeObject(at, kSize);
  qm::TrimTreeObjectPool();
  EXPECT_EQ(qm::GetTreeObjectPoolUse().objects, before.objects);
  EXPECT_LE(qm::GetTreeObjectPoolUse().chunks, before.chunks);
}

// The huge-page advice and the prefault are only advice: any block
// (unaligned, smaller than a huge page, empty, null, a length that would
// wrap the address space) keeps every byte it holds and stays usable.
TEST(TreeObjectPool, HugePageAdviceLeavesBlocksAsTheyAre) {
  std::vector<std::uint8_t> block(5u << 20);
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<std::uint8_t>(i * 7);
  qm::AdviseHugePages(block.data() + 3, block.size() - 3);
  qm::AdviseHugePages(block.data() + 5, 4096);
  qm::AdviseHugePages(block.data(), 0);
  qm::AdviseHugePages(nullptr, block.size());
  qm::AdviseHugePages(block.data() + 1, SIZE_MAX);
  qm::PrefaultPages(block.data() + 3, block.size() - 3);
  qm::PrefaultPages(block.data(), 0);
  qm::PrefaultPages(nullptr, block.size());
  qm::PrefaultPages(block.data() + 1, SIZE_MAX);
  for (std::size_t i = 0; i < block.size(); ++i)
    ASSERT_EQ(block[i], static_cast<std::uint8_t>(i * 7)) << i;
  std::fill(block.begin(), block.end(), std::uint8_t{1});
  EXPECT_EQ(std::count(block.begin(), block.end(), std::uint8_t{1}),
            static_cast<std::ptrdiff_t>(block.size()));
}

} // namespace
