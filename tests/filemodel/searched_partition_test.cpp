#include "storage/searched_partition_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/memory_stream.h"

namespace {

using ByteStream = qm::test::MemoryStream;

CSearchedPartitionInfo Filled() {
  CSearchedPartitionInfo info(4096);
  info.SetFileSystemType(kFsFat32);
  info.SetSectorsPerCluster(0x40);
  info.SetClusterZeroSector(0x0102030405060708ull);
  info.SetStartSector(0x1112131415161718ull);
  info.SetFilesMatched(0x2122232425262728ull);
  info.SetFoldersMatched(0x3132333435363738ull);
  info.SetAuxValue(0x41424344);
  info.SetSectorCount(0x5152535455565758ull);
  info.SetScore(0x6162636465666768ull);
  info.SetWeight(0.8125);
  info.SetChosen(1);
  info.SetWholeDisk(1);
  return info;
}

TEST(SearchedPartitionInfo, NewRecordsAndBytesPerSector) {
  CSearchedPartitionInfo fresh(512);
  EXPECT_EQ(fresh.GetFileSystemType(), 7u);
  EXPECT_EQ(fresh.GetScore(), 1u);
  EXPECT_EQ(fresh.GetWeight(), 0.0);
  EXPECT_EQ(fresh.GetWholeDisk(), 0u);
  EXPECT_EQ(fresh.GetKind(), 3);
  struct Case {
    std::uint32_t in, out;
  } cases[] = {{0, 512}, {4095, 512}, {4096, 4096}, {512, 512}, {1024, 1024}, {513, 512}, {0xFFFFFE00, 0xFFFFFE00}};
  for (const Case& c : cases) EXPECT_EQ(CSearchedPartitionInfo(c.in).GetBytesPerSector(), c.out) << c.in;
}

TEST(SearchedPartitionInfo, TheBaseRecordIs73BytesAndRoundTripsExactly) {
  CSearchedPartitionInfo info = Filled();
  ByteStream stream;
  ASSERT_EQ(info.Save(&stream), 1);
  ASSERT_EQ(stream.bytes.size(), 73u);
  // Fields at their places, little-endian.
  const qm::ByteView view(stream.bytes.data(), stream.bytes.size());
  EXPECT_EQ(view.le32(0), kFsFat32);
  EXPECT_EQ(view.u8(4), 0x40);
  EXPECT_EQ(view.le64(5), 0x0102030405060708ull);
  EXPECT_EQ(view.le64(13), 0x1112131415161718ull);
  EXPECT_EQ(view.le32(37), 0x41424344u);
  EXPECT_EQ(view.le64(57), 0x3FEA000000000000ull); // 0.8125
  EXPECT_EQ(view.le32(65), 1u);
  EXPECT_EQ(view.le32(69), 4096u);

  CSearchedPartitionInfo loaded(512);
  ASSERT_EQ(loaded.Load(&stream), 1);
  EXPECT_EQ(loaded.GetWholeDisk(), 0u) << "the whole-disk flag is not stored";
  ByteStream again;
  loaded.Save(&again);
  EXPECT_EQ(again.bytes, stream.bytes);
  EXPECT_EQ(loaded.GetWeight(), 0.8125);
  EXPECT_EQ(loaded.GetSectorCount(), 0x5152535455565758ull);
}

TEST(SearchedPartitionInfo, HostileOrShortRecords) {
  ByteStream stream;
  CSearchedPartitionInfo info = Filled();
  info.Save(&stream);
  // A stored sector size of 0 is read as 512, like the constructor's.
  std::memset(stream.bytes.data() + 69, 0, 4);
  CSearchedPartitionInfo loaded(4096);
  ASSERT_EQ(loaded.Load(&stream), 1);
  EXPECT_EQ(loaded.GetBytesPerSector(), 512u);

  ByteStream shortStream;
  shortStream.bytes.assign(72, 0xFF);
  CSearchedPartitionInfo untouched(512);
  EXPECT_THROW(untouched.Load(&shortStream), CRSException);
  EXPECT_EQ(untouched.GetFileSystemType(), 7u) << "nothing changes on a short record";
  EXPECT_EQ(untouched.Save(nullptr), 0);
  EXPECT_EQ(untouched.Load(nullptr), 0);
}

} // namespace
