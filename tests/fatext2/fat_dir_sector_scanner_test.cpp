#include "fatext2/fat_dir_sector_scanner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/byte_view.h"

namespace {

// A sector of 32-byte entries built one after another.
class SectorBuilder {
public:
  explicit SectorBuilder(std::size_t bytes = 512) : bytes_(bytes, 0) {}
  SectorBuilder& Add(const char* name11, std::uint8_t attributes, std::uint32_t cluster, std::uint32_t size) {
    std::uint8_t* e = bytes_.data() + next_;
    std::memcpy(e, name11, 11);
    e[0x0B] = attributes;
    qm::StoreLe16(e + 0x18, static_cast<std::uint16_t>((40 << 9) | (2 << 5) | 3));
    qm::StoreLe16(e + 0x14, static_cast<std::uint16_t>(cluster >> 16));
    qm::StoreLe16(e + 0x1A, static_cast<std::uint16_t>(cluster));
    qm::StoreLe32(e + 0x1C, size);
    next_ += 32;
    return *this;
  }
  SectorBuilder& Garbage() {
    std::memset(bytes_.data() + next_, 0x01, 32);
    next_ += 32;
    return *this;
  }
  qm::ByteView View() const { return qm::ByteView(bytes_.data(), bytes_.size()); }

private:
  std::vector<std::uint8_t> bytes_;
  std::size_t next_ = 0;
};

TEST(FatDirSectorScanner, DirectoryStartWinsOverLaterGarbage) {
  SectorBuilder s;
  s.Add(".          ", 0x10, 0x1234, 0)
      .Add("..         ", 0x10, 7, 0)
      .Add("FILE1   TXT", 0x20, 0x20000, 10)
      .Add("\xE5"
           "ILE2   TXT",
           0x20, 40, 10)
      .Garbage();
  CFatDirSectorScanner scanner;
  EXPECT_TRUE(scanner.Analyze(s.View()));
  EXPECT_EQ(scanner.GetKind(), CFatDirSectorScanner::kDirectoryStart);
  EXPECT_EQ(scanner.GetDotCluster(), 0x1234u);
  EXPECT_EQ(scanner.GetDotDotCluster(), 7u);
  EXPECT_EQ(scanner.GetEntryCount(), 2u);
  EXPECT_EQ(scanner.GetHighestCluster(), 0x20000u);
}

TEST(FatDirSectorScanner, RunOfEntries) {
  SectorBuilder s;
  s.Add("A          ", 0x20, 50, 1)
      .Add("B          ", 0x20, 60, 1)
      .Add("\xE5"
           "ILE       ",
           0x20, 60, 1) // deleted: may share a cluster
      .Add("SUB        ", 0x10, 61, 0);
  CFatDirSectorScanner scanner;
  EXPECT_TRUE(scanner.Analyze(s.View())) << "zeros after entries end the directory cleanly";
  EXPECT_EQ(scanner.GetKind(), CFatDirSectorScanner::kPartOfDirectory);
  EXPECT_EQ(scanner.GetEntryCount(), 4u);
  EXPECT_EQ(scanner.GetHighestCluster(), 61u);
  EXPECT_EQ(scanner.GetDotCluster(), 0u);
}

TEST(FatDirSectorScanner, RejectedSectors) {
  CFatDirSectorScanner scanner;
  SectorBuilder sameCluster;
  sameCluster.Add("EMPTY1     ", 0x20, 0, 0).Add("EMPTY2     ", 0x20, 0, 0);
  EXPECT_FALSE(scanner.Analyze(sameCluster.View())) << "two live entries at one cluster";
  EXPECT_EQ(scanner.GetEntryCount(), 0u);
  EXPECT_EQ(scanner.GetHighestCluster(), 0u);

  SectorBuilder garbageAfter;
  garbageAfter.Add("A          ", 0x20, 50, 1).Garbage();
  EXPECT_FALSE(scanner.Analyze(garbageAfter.View()));

  SectorBuilder zeros;
  EXPECT_FALSE(scanner.Analyze(zeros.View()));

  SectorBuilder dotOnly;
  dotOnly.Add(".          ", 0x10, 9, 0);
  EXPECT_FALSE(scanner.Analyze(dotOnly.View())) << "a lone dot entry is not counted";

  SectorBuilder dotsLate;
  dotsLate.Add("A          ", 0x20, 50, 1).Add(".          ", 0x10, 9, 0).Add("..         ", 0x10, 0, 0);
  EXPECT_TRUE(scanner.Analyze(dotsLate.View()));
  EXPECT_EQ(scanner.GetKind(), CFatDirSectorScanner::kPartOfDirectory)
      << "dot entries count only at the start";
}

TEST(FatDirSectorScanner, ExaminesOnlyItsBufferSize) {
  SectorBuilder s(1024);
  s.Add("A          ", 0x20, 50, 1);
  for (int i = 0; i < 15; ++i)
    s.Add("B          ", 0x20, 100 + i, 1);
  s.Garbage(); // entry 17, in the second 512 bytes
  CFatDirSectorScanner scanner;
  scanner.SetBufferSize(512);
  EXPECT_TRUE(scanner.Analyze(s.View()));
  EXPECT_EQ(scanner.GetEntryCount(), 16u);
  scanner.SetBufferSize(1024);
  EXPECT_FALSE(scanner.Analyze(s.View()));
  // A view shorter than the buffer size is walked to its end only.
  scanner.SetBufferSize(4096);
  EXPECT_TRUE(scanner.Analyze(s.View().sub(0, 100)));
  EXPECT_EQ(scanner.GetEntryCount(), 3u);
}

} // namespace
