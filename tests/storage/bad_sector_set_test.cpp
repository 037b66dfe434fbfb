#include "storage/bad_sector_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/fault_handle.h"
#include "platform/log.h"
#include "support/scratch_files.h"

namespace {

struct LogLines {
  std::vector<std::string> lines;
  int id;
  LogLines() : id(qm::AddLogObserver([this](LogKind, std::string_view t) { lines.emplace_back(t); })) {}
  ~LogLines() { qm::RemoveLogObserver(id); }
  bool Has(const std::string& text) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
};

// A sparse image of `sectors` 512-byte sectors whose first bytes of every
// 4 KiB hold a mark, behind a fault-injecting handle.
struct FaultyDisk {
  std::shared_ptr<qm::FaultPlan> plan = std::make_shared<qm::FaultPlan>();
  std::unique_ptr<qm::IDeviceHandle> handle;

  FaultyDisk(const std::string& name, std::uint64_t sectors) {
    const auto path = qm::MakeSparseImage(name, sectors * 512);
    qm::WriteFileBytes(path, 21480 * 512, std::vector<std::uint8_t>(512, 0x5A));
    int error = 0;
    handle = std::make_unique<qm::FaultInjectingHandle>(qm::OpenDeviceFile(path.string(), error), plan);
  }
  void FailSectors(std::uint64_t first, std::uint64_t end) { plan->AddFailingBytes(first * 512, end * 512); }
};

TEST(BadSectorSet, AnUnreadableAreaIsZeroedRememberedAndServedWithoutIo) {
  FaultyDisk disk("bad_area.img", 200000);
  disk.FailSectors(1000, 1008);
  CBadSectorSet reader;
  LogLines log;
  std::vector<std::uint8_t> buffer(8 * 512, 0xEE);
  int error = -1;
  ASSERT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 1000, 8, 1, error), 1);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0; }));
  // All three probes read well: ten units are marked.
  const auto ranges = reader.GetRanges();
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].first, 1000u);
  EXPECT_EQ(ranges[0].end, 21480u);
  EXPECT_TRUE(log.Has("UpdateBadSector start = 1000"));
  EXPECT_TRUE(log.Has("i64StartOffset = 1000, i64EndOffset = 21480"));

  const std::uint64_t readsBefore = disk.plan->reads;
  std::fill(buffer.begin(), buffer.end(), 0xEE);
  ASSERT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 21000, 8, 1, error), 1);
  EXPECT_EQ(disk.plan->reads, readsBefore) << "a stored range is served without touching the device";
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0; }));

  ASSERT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 21480, 1, 1, error), 1);
  EXPECT_EQ(disk.plan->reads, readsBefore + 1);
  EXPECT_EQ(buffer[0], 0x5A);
}

// Saving reads exactly: an unreadable sector fails its read even with the
// switch on, and a good sector inside a remembered bad area is read again.
TEST(BadSectorSet, ExactReadsFailOnDamageAndReadRememberedAreasAgain) {
  FaultyDisk disk("bad_area_exact.img", 200000);
  disk.FailSectors(1000, 1008);
  CBadSectorSet reader;
  std::vector<std::uint8_t> buffer(512, 0xEE);
  int error = -1;
  // A scan passes over the damage and remembers [1000, 21480).
  ASSERT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 1000, 1, 1, error), 1);
  ASSERT_EQ(reader.GetRanges().size(), 1u);
  {
    const qm::ExactReadScope exact;
    {
      const qm::ExactReadScope nested;
      EXPECT_TRUE(qm::ExactReadsOnThisThread());
    }
    EXPECT_TRUE(qm::ExactReadsOnThisThread());
    EXPECT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 1004, 1, 1, error), 0);
    const std::uint64_t readsBefore = disk.plan->reads;
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    ASSERT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 21479, 1, 1, error), 1);
    EXPECT_EQ(disk.plan->reads, readsBefore + 1) << "the remembered area is read again";
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(reader.GetRanges().size(), 1u) << "nothing more is remembered";
  }
  EXPECT_FALSE(qm::ExactReadsOnThisThread());
  // Other threads and later reads keep the switch's way.
  EXPECT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 1004, 1, 1, error), 1);
}

TEST(BadSectorSet, TheFirstFailingProbeFromTheFarEndSetsTheRange) {
  // Probes lie 102400, 51200 and 24576 sectors past the failed sector.
  struct Case {
    std::uint64_t damageEnd; // the damage covers [1000, damageEnd)
    std::uint64_t rangeEnd;
  } cases[] = {
      {1008, 21480},            // no probe fails: ten units
      {1000 + 24576 + 1, 25576},  // the third probe fails
      {1000 + 51200 + 1, 52200},  // the second
      {1000 + 102400 + 1, 103400}, // the first
  };
  for (const Case& c : cases) {
    FaultyDisk disk("probes.img", 200000);
    disk.FailSectors(1000, c.damageEnd);
    CBadSectorSet reader;
    std::vector<std::uint8_t> buffer(512);
    int error = 0;
    ASSERT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 1000, 1, 1, error), 1);
    const auto ranges = reader.GetRanges();
    ASSERT_EQ(ranges.size(), 1u) << c.damageEnd;
    EXPECT_EQ(ranges[0].end, c.rangeEnd) << c.damageEnd;
  }
}

TEST(BadSectorSet, WithTheSwitchOffAFailureFailsAndNothingIsStored) {
  FaultyDisk disk("switch_off.img", 50000);
  disk.FailSectors(1000, 1008);
  CBadSectorSet reader;
  LogLines log;
  std::vector<std::uint8_t> buffer(8 * 512);
  int error = 0;
  EXPECT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 1000, 8, 0, error), 0);
  EXPECT_NE(error, 0);
  EXPECT_TRUE(reader.GetRanges().empty());
  EXPECT_TRUE(log.Has("ReadSector find bad sector , not ignored"));
}

TEST(BadSectorSet, ProbesNearTheEndDoNotMarkTheRestOfTheDevice) {
  // One bad sector 100 sectors before the end: every probe lies past the
  // end, which says nothing about the damage.
  FaultyDisk disk("near_end.img", 30000);
  disk.FailSectors(29900, 29901);
  CBadSectorSet reader;
  std::vector<std::uint8_t> buffer(512);
  int error = 0;
  ASSERT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 29900, 1, 1, error), 1);
  auto ranges = reader.GetRanges();
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].first, 29900u);
  EXPECT_EQ(ranges[0].end, 30000u) << "clipped to the device";

  // A bad sector whose 24576-sector probe still lies inside, but the damage
  // does not reach it: ten units, clipped.
  FaultyDisk disk2("near_end2.img", 30000);
  disk2.FailSectors(5000, 5001);
  CBadSectorSet reader2;
  ASSERT_EQ(reader2.ReadSector(disk2.handle.get(), buffer.data(), 5000, 1, 1, error), 1);
  ranges = reader2.GetRanges();
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].end, 25480u);

  // A read past the end is not a bad area.
  CBadSectorSet reader3;
  EXPECT_EQ(reader3.ReadSector(disk.handle.get(), buffer.data(), 30000, 1, 1, error), 0);
  EXPECT_TRUE(reader3.GetRanges().empty());
}

TEST(BadSectorSet, ParameterLimitsAndAMissingHandle) {
  CBadSectorSet reader;
  LogLines log;
  std::vector<std::uint8_t> buffer(4 * 512, 0xEE);
  int error = 0;
  EXPECT_EQ(reader.ReadSector(nullptr, buffer.data(), 0, (std::uint64_t{1} << 32) / 512, 1, error), 0);
  EXPECT_TRUE(log.Has("Tmx:Read sector parameter error = 8388608"));
  EXPECT_EQ(reader.ReadSector(nullptr, buffer.data(), 0, ~std::uint64_t{0}, 1, error), 0);
  EXPECT_EQ(reader.ReadSector(nullptr, buffer.data(), 0, 4, 1, error), 0);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0; }));

  FaultyDisk disk("count0.img", 100);
  EXPECT_EQ(reader.ReadSector(disk.handle.get(), buffer.data(), 5, 0, 1, error), 1);
}

TEST(BadSectorSet, RangesOverlapBySharedSectorsOnly) {
  CBadSectorSet reader;
  EXPECT_EQ(reader.ContainsRange({0, 100}), 0);
  reader.AddRange({100, 200});
  EXPECT_EQ(reader.ContainsRange({0, 100}), 0);
  EXPECT_EQ(reader.ContainsRange({0, 101}), 1);
  EXPECT_EQ(reader.ContainsRange({199, 300}), 1);
  EXPECT_EQ(reader.ContainsRange({200, 300}), 0);
  EXPECT_EQ(reader.ContainsRange({120, 130}), 1);
}

} // namespace
