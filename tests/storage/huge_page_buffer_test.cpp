#include "storage/huge_page_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(HugePageBuffer, AlignedAndReusedWhenGivenUp) {
  qm::ReleaseKeptHugePageBuffers();
  std::uint8_t* first = nullptr;
  {
    qm::HugePageBuffer buffer(4 * kMiB);
    ASSERT_TRUE(buffer);
    EXPECT_GE(buffer.size(), 4 * kMiB);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.get()) % (2 * kMiB), 0u);
    std::memset(buffer.get(), 0x5A, buffer.size()); // every byte is usable
    first = buffer.get();
  }
  EXPECT_EQ(qm::KeptHugePageBufferBytes(), 4 * kMiB);
  qm::HugePageBuffer again(4 * kMiB - 512);
  EXPECT_EQ(again.get(), first) << "the kept buffer is handed out again";
  EXPECT_EQ(qm::KeptHugePageBufferBytes(), 0u);

  // Moves hand the buffer over; the moved-from one holds nothing.
  qm::HugePageBuffer moved(std::move(again));
  EXPECT_FALSE(again);
  EXPECT_EQ(moved.get(), first);
  moved = qm::HugePageBuffer(64 * 1024);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(moved.get()) % 4096, 0u);
  EXPECT_EQ(qm::KeptHugePageBufferBytes(), 4 * kMiB) << "the replaced buffer is kept";
  EXPECT_EQ(qm::ReleaseKeptHugePageBuffers(), 4 * kMiB);
  EXPECT_EQ(qm::KeptHugePageBufferBytes(), 0u);
}

TEST(HugePageBuffer, NoFarLargerBufferForASmallRequest) {
  qm::ReleaseKeptHugePageBuffers();
  std::uint8_t* large = nullptr;
  {
    qm::HugePageBuffer buffer(32 * kMiB);
    large = buffer.get();
  }
  qm::HugePageBuffer small(4 * kMiB);
  EXPECT_NE(small.get(), large);
  EXPECT_EQ(qm::KeptHugePageBufferBytes(), 32 * kMiB);
  small.reset();
  EXPECT_FALSE(small);
  qm::ReleaseKeptHugePageBuffers();
}

TEST(HugePageBuffer, KeepsNoMoreThanItsLimit) {
  qm::ReleaseKeptHugePageBuffers();
  {
    // Far more than a scan holds: most are freed when given up.
    std::vector<qm::HugePageBuffer> many;
    for (int i = 0; i < 120; ++i) many.emplace_back(4 * kMiB);
  }
  EXPECT_LE(qm::KeptHugePageBufferBytes(), 320 * kMiB);
  EXPECT_GT(qm::KeptHugePageBufferBytes(), 0u);
  qm::ReleaseKeptHugePageBuffers();
}

} // namespace
