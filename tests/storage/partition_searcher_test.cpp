// The lost-partition search over a synthetic disk: which positions it
// probes and in what order, the callback protocol around them, the order in
// which checkers are asked, failed reads and cancelling.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/byte_view.h"
#include "platform/message_pump.h"
#include "storage/partition_searcher.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint64_t k255 = 255 * 63; // 16,065
constexpr std::uint64_t k240 = 240 * 63; // 15,120

// A disk of any size without memory behind it: each sector holds its own
// number in its first 8 bytes.
class NumberedDisk : public IStorageDevice {
public:
  explicit NumberedDisk(std::uint64_t sectors, std::int32_t sectorSize = 512)
      : sectors_(sectors), sectorSize_(sectorSize) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first >= sectors_ || count > sectors_ - first || failing.count(first) != 0) return 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const auto size = static_cast<std::uint64_t>(sectorSize_);
    std::memset(bytes, 0, count * size);
    for (std::uint64_t i = 0; i < count; ++i) std::memcpy(bytes + i * size, &(first), 8), ++first;
    return 1;
  }
  std::uint64_t GetSectorCount() override { return sectors_; }
  std::int32_t GetSectorSize() override { return sectorSize_; }
  int Open() override { return 1; }
  int Close() override { return 1; }
  std::set<std::uint64_t> failing;

private:
  std::uint64_t sectors_;
  std::int32_t sectorSize_;
};

// Writes what it is asked into a shared event log; accepts the sectors given.
class LoggingChecker : public IPartitionFileSystemSearchController {
public:
  LoggingChecker(std::string name, std::vector<std::string>& log, std::set<std::uint64_t> accept = {})
      : name_(std::move(name)), log_(log), accept_(std::move(accept)) {}
  void SetDevice(IStorageDevice* device) override { log_.push_back(name_ + ".SetDevice"), device_ = device; }
  void BeginSearch() override { log_.push_back(name_ + ".Begin"); }
  void EndSearch() override { log_.push_back(name_ + ".End"); }
  int CheckSector(const std::uint8_t* buffer, std::uint64_t sector, LostPartitionRecord* record) override {
    // The buffer must hold the sector it names.
    EXPECT_EQ(qm::ByteView(buffer, 512).le64(0), sector);
    log_.push_back(name_ + "." + std::to_string(sector));
    if (accept_.count(sector) == 0) return 0;
    record->startSector = sector;
    record->sectorCount = 1000;
    record->fileSystemType = 3;
    std::strcpy(record->volumeLabel, name_.c_str());
    return 1;
  }
  IStorageDevice* device_ = nullptr;

private:
  std::string name_;
  std::vector<std::string>& log_;
  std::set<std::uint64_t> accept_;
};

class LoggingCallback : public IPartitionSearchCallback {
public:
  explicit LoggingCallback(std::vector<std::string>& log, int cancelAfter = -1)
      : log_(log), cancelAfter_(cancelAfter) {}
  void PumpMessages() override { log_.push_back("Pump"), threads.insert(std::this_thread::get_id()); }
  void Step() override { log_.push_back("Step"); }
  int IsCancelled() override { return cancelAfter_ >= 0 && asked_++ >= cancelAfter_ ? 1 : 0; }
  void SetStep(std::uint64_t step) override { log_.push_back("SetStep " + std::to_string(step)); }
  void Advance() override { log_.push_back("Advance"); }
  void SetRange(std::uint64_t low, std::uint64_t high) override {
    log_.push_back("SetRange " + std::to_string(low) + " " + std::to_string(high));
  }
  void SetPos(std::uint64_t position) override { log_.push_back("SetPos " + std::to_string(position)); }
  void OnSearchEnd() override { log_.push_back("SearchEnd"); }
  void OnPartitionFound(const LostPartitionRecord* record) override {
    log_.push_back("Found " + std::to_string(record->startSector) + " " + record->volumeLabel);
  }
  std::set<std::thread::id> threads;

private:
  std::vector<std::string>& log_;
  int cancelAfter_;
  int asked_ = 0;
};

std::vector<std::string> RunSearch(std::uint64_t sectors, int heads, std::set<std::uint64_t> acceptA = {},
                             std::set<std::uint64_t> acceptB = {}, int cancelAfter = -1,
                             std::set<std::uint64_t> failing = {}, std::int32_t sectorSize = 512) {
  std::vector<std::string> log;
  NumberedDisk disk(sectors, sectorSize);
  disk.failing = std::move(failing);
  LoggingChecker a("A", log, std::move(acceptA));
  LoggingChecker b("B", log, std::move(acceptB));
  LoggingCallback callback(log, cancelAfter);
  CPartitionSearcher searcher;
  searcher.SetDevice(&disk);
  searcher.AddController(&a);
  searcher.AddController(&b);
  searcher.BuildAlgorithms(heads);
  searcher.Start(&callback);
  EXPECT_EQ(a.device_, &disk);
  EXPECT_EQ(callback.threads.count(std::this_thread::get_id()), 0u) << "callbacks run on the worker";
  return log;
}

// The probed sectors (the first checker's questions) in order.
std::vector<std::uint64_t> Probes(const std::vector<std::string>& log) {
  std::vector<std::uint64_t> probes;
  for (const std::string& entry : log)
    if (entry.rfind("A.", 0) == 0 && std::isdigit(static_cast<unsigned char>(entry[2])))
      probes.push_back(std::stoull(entry.substr(2)));
  return probes;
}

// The log of the 1 MiB pass over positions 0 to count - 1 (of 2048
// sectors) when no checker accepts: sector 0 is a cylinder start, taken
// as a step but not probed again.
std::vector<std::string> AlignedPass(std::uint64_t count) {
  std::vector<std::string> log;
  for (std::uint64_t j = 0; j < count; ++j) {
    log.insert(log.end(), {"Step", "Pump"});
    if (j != 0) log.insert(log.end(), {"A." + std::to_string(j * 2048), "B." + std::to_string(j * 2048)});
  }
  return log;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b,
                                const std::vector<std::string>& c) {
  a.insert(a.end(), b.begin(), b.end());
  a.insert(a.end(), c.begin(), c.end());
  return a;
}

TEST(PartitionSearcher, ProtocolAroundEachPositionOfThe255HeadSearch) {
  // 32,230 sectors: two cylinders, then 16 boundaries of 1 MiB.
  const auto log = RunSearch(2 * k255 + 100, 255, {}, {63});
  const std::vector<std::string> expected =
      Joined({"A.SetDevice", "B.SetDevice", "A.Begin", "B.Begin", "SetRange 0 18", "SetStep 1",
              "Step", "Pump", "A.0", "B.0", "Pump", "A.63", "B.63", "Found 63 B",
              "Step", "Pump", "A.16065", "B.16065", "Pump", "A.16128", "B.16128"},
             AlignedPass(16), {"A.End", "B.End"});
  EXPECT_EQ(log, expected);
}

TEST(PartitionSearcher, FirstAcceptingCheckerWinsAndTheOthersAreNotAsked) {
  const auto log = RunSearch(k255 + 100, 255, {0}, {0, 63});
  const std::vector<std::string> expected =
      Joined({"A.SetDevice", "B.SetDevice", "A.Begin", "B.Begin", "SetRange 0 9", "SetStep 1", "Step", "Pump",
              "A.0", "Found 0 A", "Pump", "A.63", "B.63", "Found 63 B"},
             AlignedPass(8), {"A.End", "B.End"});
  EXPECT_EQ(log, expected);
}

TEST(PartitionSearcher, With240HeadsCommonCylinderStartsAreProbedOnce) {
  // 300,000 sectors: 18 positions of 16,065 and 19 of 15,120; 0 and
  // 257,040 (16 x 16,065 = 17 x 15,120) belong to both.
  // 147 boundaries of 1 MiB follow, none of them a cylinder position but 0.
  const auto log = RunSearch(300000, 240);
  EXPECT_EQ(log[4], "SetRange 0 184");
  std::vector<std::uint64_t> expected;
  for (std::uint64_t k = 0; k < 18; ++k) expected.insert(expected.end(), {k * k255, k * k255 + 63});
  for (std::uint64_t k = 0; k < 19; ++k)
    if (k != 0 && k != 17) expected.insert(expected.end(), {k * k240, k * k240 + 63});
  for (std::uint64_t j = 1; j < 147; ++j) expected.push_back(j * 2048);
  EXPECT_EQ(Probes(log), expected);
  // Every position takes a step, skipped or not.
  EXPECT_EQ(std::count(log.begin(), log.end(), "Step"), 184);
}

TEST(PartitionSearcher, The1MiBPassProbesEveryBoundaryOnceAfterTheCylinderPasses) {
  // 33,000,000 sectors hold boundaries that the cylinder passes probe
  // already: every multiple of 1,935,360 (945 MiB, 128 x 15,120), among
  // them 32,901,120 (2048 x 16,065, a 255-head cylinder the 240-head pass
  // leaves out), and 4,128,768 (257 x 16,065 + 63).
  constexpr std::uint64_t kSectors = 33000000;
  const auto log = RunSearch(kSectors, 240);
  const std::uint64_t cylinders = kSectors / k255 + kSectors / k240;
  const std::uint64_t boundaries = (kSectors + 2047) / 2048;
  EXPECT_EQ(log[4], "SetRange 0 " + std::to_string(cylinders + boundaries));
  EXPECT_EQ(static_cast<std::uint64_t>(std::count(log.begin(), log.end(), "Step")), cylinders + boundaries);
  const std::vector<std::uint64_t> probes = Probes(log);
  EXPECT_EQ(std::set<std::uint64_t>(probes.begin(), probes.end()).size(), probes.size()) << "a sector twice";
  // The cylinder passes come first; the 1 MiB pass follows in disk order
  // with the boundaries they took left out.
  const auto firstAligned = std::find(probes.begin(), probes.end(), 2048);
  ASSERT_NE(firstAligned, probes.end());
  std::vector<std::uint64_t> aligned(firstAligned, probes.end());
  std::vector<std::uint64_t> expected;
  for (std::uint64_t j = 1; j < boundaries; ++j)
    if ((j * 2048) % 1935360 != 0 && j * 2048 != 4128768) expected.push_back(j * 2048);
  EXPECT_EQ(aligned, expected);
  EXPECT_EQ(boundaries - 1 - expected.size(), 18u);
  for (std::uint64_t taken : {1935360, 4128768, 32901120})
    EXPECT_NE(std::find(probes.begin(), firstAligned, taken), firstAligned) << taken;
}

TEST(PartitionSearcher, On4096ByteSectorsThe1MiBPassStepsBy256Sectors) {
  // 40,000 sectors: two 255-head cylinders, the second one's track-behind
  // sector 16,128 being 63 x 256; 157 boundaries of 256 sectors.
  const auto log = RunSearch(40000, 255, {}, {}, -1, {}, 4096);
  EXPECT_EQ(log[4], "SetRange 0 159");
  std::vector<std::uint64_t> expected = {0, 63, k255, k255 + 63};
  for (std::uint64_t j = 1; j < 157; ++j)
    if (j != 63) expected.push_back(j * 256);
  EXPECT_EQ(Probes(log), expected);
}

TEST(PartitionSearcher, AnyOtherHeadCountSearchesThe255HeadPositionsOnly) {
  // Three cylinders (six probes), then 23 boundaries of 1 MiB past sector 0.
  for (int heads : {0, 16}) {
    const auto probes = Probes(RunSearch(3 * k255, heads));
    ASSERT_EQ(probes.size(), 6u + 23u) << heads;
    EXPECT_EQ(probes[5], 2 * k255 + 63) << heads;
    EXPECT_EQ(probes[6], 2048u) << heads;
  }
}

TEST(PartitionSearcher, DiskBelowOneCylinderIsProbedAtItsMiBBoundariesOnly) {
  const auto log = RunSearch(k240 - 1, 240);
  std::vector<std::string> expected = {"A.SetDevice", "B.SetDevice", "A.Begin", "B.Begin", "SetRange 0 8",
                                       "SetStep 1"};
  for (std::uint64_t j = 0; j < 8; ++j)
    expected.insert(expected.end(), {"Step", "Pump", "A." + std::to_string(j * 2048), "B." + std::to_string(j * 2048)});
  expected.insert(expected.end(), {"A.End", "B.End"});
  EXPECT_EQ(log, expected);
}

TEST(PartitionSearcher, FailedReadFindsNothingThereAndTheSearchGoesOn) {
  const auto log = RunSearch(3 * k255, 255, {63, k255 + 63}, {}, -1, {63, k255});
  std::vector<std::uint64_t> expected = {0, k255 + 63, 2 * k255, 2 * k255 + 63};
  for (std::uint64_t j = 1; j < 24; ++j) expected.push_back(j * 2048);
  EXPECT_EQ(Probes(log), expected);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Found 16128 A"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Found 63 A"), 0);
}

TEST(PartitionSearcher, CancelStopsBeforeTheNextPositionWithoutEndSearch) {
  // Two positions taken, the third question answers yes.
  const auto log = RunSearch(10 * k255, 255, {k255}, {}, 2);
  EXPECT_EQ(Probes(log), (std::vector<std::uint64_t>{0, 63, k255, k255 + 63}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "Found 16065 A"), 1) << "finds before the cancel stay";
  EXPECT_EQ(std::count(log.begin(), log.end(), "A.End"), 0);
  EXPECT_EQ(log.back(), "B.16128");
}

TEST(PartitionSearcher, PositionGeneratorsCountAndAdvance) {
  CPartitionSearchAccordingTo255Head a(5 * k255 - 1);
  CPartitionSearchAccordingTo240Head b(5 * k240);
  EXPECT_EQ(a.GetCount(), 4u);
  EXPECT_EQ(b.GetCount(), 5u);
  EXPECT_EQ(a.GetKind(), 0);
  EXPECT_EQ(b.GetKind(), 1);
  for (std::uint64_t k = 0; k < 5; ++k) EXPECT_EQ(b.Next(), k * k240);
  EXPECT_EQ(a.Next(), 0u);
  EXPECT_EQ(a.Next(), k255);

  // Every boundary on the disk, a last partial MiB included.
  CPartitionSearchAlignedTo1MiB c(2 * 2048 + 1, 512);
  CPartitionSearchAlignedTo1MiB d(256 * 10, 4096);
  CPartitionSearchAlignedTo1MiB empty(0, 512);
  EXPECT_EQ(c.GetCount(), 3u);
  EXPECT_EQ(d.GetCount(), 10u);
  EXPECT_EQ(empty.GetCount(), 0u);
  EXPECT_EQ(c.GetKind(), 2);
  for (std::uint64_t j = 0; j < 3; ++j) EXPECT_EQ(c.Next(), j * 2048);
  EXPECT_EQ(d.Next(), 0u);
  EXPECT_EQ(d.Next(), 256u);
  EXPECT_EQ(qm::AlignmentSectors(1024), 1024u);
  EXPECT_EQ(qm::AlignmentSectors(0), 1u);
  EXPECT_EQ(qm::AlignmentSectors(2u << 20), 1u);
}

TEST(PartitionSearcher, StartWithoutDeviceOrCallbackReturns) {
  std::vector<std::string> log;
  LoggingCallback callback(log);
  CPartitionSearcher searcher;
  searcher.BuildAlgorithms(240);
  searcher.Start(&callback);
  NumberedDisk disk(k255);
  searcher.SetDevice(&disk);
  searcher.Start(nullptr);
  EXPECT_TRUE(log.empty());
}

} // namespace

namespace {

// Holds the worker at its first question until the calling thread has
// pumped a few messages: Start must keep the user interface alive while the
// worker runs, and return only once the worker has ended.
class WaitsForPumps : public LoggingCallback {
public:
  WaitsForPumps(std::vector<std::string>& log, std::atomic<int>& pumps) : LoggingCallback(log), pumps_(pumps) {}
  int IsCancelled() override {
    for (int i = 0; i < 500 && pumps_.load() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    sawPumps = pumps_.load();
    return 0;
  }
  int sawPumps = 0;

private:
  std::atomic<int>& pumps_;
};

TEST(PartitionSearcher, CallingThreadPumpsMessagesUntilTheWorkerEnds) {
  std::atomic<int> pumps{0};
  const auto caller = std::this_thread::get_id();
  qm::SetMessagePump([&] {
    if (std::this_thread::get_id() == caller) ++pumps;
  });
  std::vector<std::string> log;
  NumberedDisk disk(k255);
  LoggingChecker a("A", log);
  WaitsForPumps callback(log, pumps);
  CPartitionSearcher searcher;
  searcher.SetDevice(&disk);
  searcher.AddController(&a);
  searcher.BuildAlgorithms(255);
  searcher.Start(&callback);
  qm::SetMessagePump({});
  EXPECT_GE(callback.sawPumps, 3);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "A.End") << "Start returned before the worker ended";
}

} // namespace
