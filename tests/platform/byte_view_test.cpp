#include "platform/byte_view.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using qm::ByteView;

TEST(ByteView, HasIsOverflowSafeAtTheEdges) {
  std::vector<std::uint8_t> bytes(16);
  ByteView view(bytes.data(), bytes.size());
  struct Row { std::uint64_t offset, length; bool inside; };
  const Row rows[] = {
      {0, 0, true},   {0, 16, true},  {16, 0, true},  {15, 1, true},
      {16, 1, false}, {0, 17, false}, {17, 0, false}, {8, 9, false},
      {std::numeric_limits<std::uint64_t>::max(), 1, false},
      {1, std::numeric_limits<std::uint64_t>::max(), false},
      {std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max(), false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(view.has(row.offset, row.length), row.inside) << row.offset << "+" << row.length;
}

TEST(ByteView, ReadsLittleAndBigEndianAndZeroPastTheEnd) {
  const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF};
  ByteView view(bytes, sizeof bytes);
  EXPECT_EQ(view.le16(0), 0x0201);
  EXPECT_EQ(view.le32(0), 0x04030201u);
  EXPECT_EQ(view.le64(0), 0x0807060504030201ull);
  EXPECT_EQ(view.be32(0), 0x01020304u);
  EXPECT_EQ(view.leN(6, 3), 0xFF0807u);
  EXPECT_EQ(view.u8(8), 0xFF);
  // A read that would cross the end gives 0 rather than a partial value.
  EXPECT_EQ(view.le16(8), 0);
  EXPECT_EQ(view.le64(2), 0u);
  EXPECT_EQ(view.u8(9), 0);
  EXPECT_TRUE(view.sub(8, 2).empty());
  EXPECT_EQ(view.sub(7, 2).le16(0), 0xFF08);
  EXPECT_TRUE(view.from(10).empty());
  EXPECT_TRUE(view.matches(0, "\x01\x02"));
  EXPECT_FALSE(view.matches(8, std::string_view("\xFF\x00", 2)));
}

} // namespace
