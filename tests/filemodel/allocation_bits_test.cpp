#include "filemodel/allocation_bits.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Every range over maps of one set bit, at every place (byte edges, word
// edges, the last bit), against a look at each bit.
TEST(AllocationBits, AnyBitSetAgreesWithEveryBitLookedAt) {
  constexpr std::uint64_t kBytes = 20; // two whole words, and bytes on either side
  for (std::uint64_t set = 0; set <= kBytes * 8; ++set) {
    std::vector<std::uint8_t> bytes(kBytes, 0);
    if (set < kBytes * 8) bytes[set / 8] = static_cast<std::uint8_t>(1u << (set % 8));
    for (std::uint64_t first = 0; first <= kBytes * 8 + 2; ++first)
      for (std::uint64_t end = first; end <= kBytes * 8 + 9; ++end) {
        const bool expected = set < kBytes * 8 && first <= set && set < end;
        ASSERT_EQ(qm::AnyAllocationBitSet(bytes, first, end), expected)
            << "bit " << set << ", range [" << first << ", " << end << ")";
      }
  }
}

TEST(AllocationBits, RangesPastTheMapOrEmptyFindNothing) {
  const std::vector<std::uint8_t> full(16, 0xFF);
  struct Case {
    const char* what;
    std::uint64_t first;
    std::uint64_t end;
    bool any;
  };
  const std::vector<Case> cases = {
      {"empty", 5, 5, false},
      {"backwards", 9, 3, false},
      {"past the map", 128, 4096, false},
      {"ending past the map", 127, ~std::uint64_t{0}, true},
      {"the highest numbers", ~std::uint64_t{0} - 1, ~std::uint64_t{0}, false},
  };
  for (const Case& test : cases)
    EXPECT_EQ(qm::AnyAllocationBitSet(full, test.first, test.end), test.any) << test.what;
  EXPECT_FALSE(qm::AnyAllocationBitSet({}, 0, 64));
}

} // namespace
