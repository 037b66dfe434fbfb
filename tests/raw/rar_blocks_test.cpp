#include "raw/rar_blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "format_fixture.h"
#include "raw/raw_read_buffer.h"

namespace {

// The block walk of a carved archive, as its analyser runs it: from the
// end of the 7-byte marker, block after block, then the end block.
std::uint64_t WalkBlocks(IStorageDevice* device, std::uint64_t firstSector) {
  CRawReadBuffer reader(device, firstSector);
  std::uint64_t offset = 7;
  for (int blocks = 0; blocks < 10000; ++blocks) {
    qm::ByteView bytes = reader.GetPointer(offset);
    bytes = bytes.sub(0, std::min<std::size_t>(bytes.size(), blocks == 0 ? 505 : 32));
    std::uint64_t length = 0;
    if (!RarBlockLength(bytes, length)) break;
    offset += length;
  }
  if (reader.GetPointer(offset, 7).matches(0, {reinterpret_cast<const char*>(kRarEndBlock), 7})) offset += 7;
  return offset;
}

TEST(RarBlocks, AnArchiveThatLibarchiveReadsIsWalkedToItsExactSize) {
  const std::vector<std::uint8_t> file = qm::ReadFormatFixture("stored.rar");
  ASSERT_GT(file.size(), 1000u);
  for (std::int32_t sectorSize : {512, 4096}) {
    auto device = qm::DeviceWithFile(file, 9, 3000, sectorSize);
    EXPECT_EQ(WalkBlocks(device.get(), 9), file.size()) << sectorSize;
  }
}

std::vector<std::uint8_t> Block(std::uint8_t type, std::uint16_t headerSize) {
  std::vector<std::uint8_t> b(32);
  b[2] = type;
  qm::StoreLe16(b.data() + 5, headerSize);
  return b;
}

std::vector<std::uint8_t> FileBlock(std::uint32_t packed, std::uint32_t unpacked, std::uint8_t hostOs,
                                    std::uint16_t headerSize = 40) {
  std::vector<std::uint8_t> b = Block(0x74, headerSize);
  qm::StoreLe32(b.data() + 7, packed);
  qm::StoreLe32(b.data() + 11, unpacked);
  b[15] = hostOs;
  return b;
}

std::vector<std::uint8_t> WithAdd32(std::vector<std::uint8_t> b, std::uint32_t add) {
  qm::StoreLe32(b.data() + 7, add);
  return b;
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> b, std::size_t size) {
  b.resize(size);
  return b;
}

TEST(RarBlocks, CraftedBlocks) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int isBlock;
    int hasLength;
    std::uint64_t length;
  };
  std::vector<std::uint8_t> oldSubblockFlagged = WithAdd32(Block(0x77, 20), 100);
  oldSubblockFlagged[13] = 1;
  std::vector<std::uint8_t> oldComment = Block(0x75, 12);
  qm::StoreLe16(oldComment.data() + 7, 500);
  const Case cases[] = {
      {"archive header", Block(0x73, 13), 1, 1, 13},
      {"archive header below 10 bytes", Block(0x73, 9), 1, 0, 0},
      {"file header", FileBlock(1000, 4000, 2), 1, 1, 1040},
      {"file header stored", FileBlock(1000, 1000, 3), 1, 1, 1040},
      {"file header unpacked below packed", FileBlock(1000, 999, 2), 0, 0, 0},
      {"file header from host 4", FileBlock(10, 10, 4), 1, 1, 50},
      {"file header from host 5", FileBlock(10, 10, 5), 0, 0, 0},
      {"file header sizes add in 64 bits", FileBlock(0xFFFFFFFF, 0xFFFFFFFF, 0, 0xFFFF), 1, 1,
       0xFFFFull + 0xFFFFFFFFull},
      {"file header cut before its host byte", Cut(FileBlock(1, 1, 0), 15), 0, 0, 0},
      {"old comment", oldComment, 1, 1, 512},
      {"old authenticity", Block(0x76, 60), 1, 1, 60},
      {"old subblock", WithAdd32(Block(0x77, 20), 100), 1, 1, 120},
      {"old subblock with byte 13 set", oldSubblockFlagged, 0, 0, 0},
      {"old recovery record", WithAdd32(Block(0x78, 20), 7), 1, 1, 27},
      {"new subblock", WithAdd32(Block(0x7A, 40), 70), 1, 1, 110},
      {"new subblock below 10 bytes", WithAdd32(Block(0x7A, 9), 70), 1, 0, 0},
      {"end of archive (7 bytes)", {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00}, 1, 0, 0},
      {"header size of 6", Block(0x76, 6), 1, 0, 0},
      {"marker block type", Block(0x72, 7), 0, 0, 0},
      {"RAR 5 header type", Block(0x01, 13), 0, 0, 0},
      {"six bytes", Cut(Block(0x73, 13), 6), 0, 0, 0},
      {"nothing", {}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const qm::ByteView bytes(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(IsRarBlock(bytes), c.isBlock);
    std::uint64_t length = 777;
    EXPECT_EQ(RarBlockLength(bytes, length), c.hasLength);
    EXPECT_EQ(length, c.hasLength ? c.length : 777u);
  }
}

} // namespace
