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
  explicit NumberedDisk(std::uint64_t sectors) : sectors_(sectors) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first >= sectors_ || count > sectors_ - first || failing.count(first) != 0) return 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::memset(bytes, 0, count * 512);
    for (std::uint64_t i = 0; i < count; ++i) std::memcpy(bytes + i * 512, &(first), 8), ++first;
    return 1;
  }
  std::uint64_t GetSectorCount() override { return sectors_; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }
  std::set<std::uint64_t> failing;

private:
  std::uint64_t sectors_;
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
                             std::set<std::uint64_t> failing = {}) {
  std::vector<std::string> log;
  NumberedDisk disk(sectors);
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

TEST(PartitionSearcher, ProtocolAroundEachPositionOfThe255HeadSearch) {
  const auto log = RunSearch(2 * k255 + 100, 255, {}, {63});
  const std::vector<std::string> expected = {
      "A.SetDevice", "B.SetDevice", "A.Begin", "B.Begin", "SetRange 0 2", "SetStep 1",
      "Step", "Pump", "A.0", "B.0", "Pump", "A.63", "B.63", "Found 63 B",
      "Step", "Pump", "A.16065", "B.16065", "Pump", "A.16128", "B.16128",
      "A.End", "B.End"};
  EXPECT_EQ(log, expected);
}

TEST(PartitionSearcher, FirstAcceptingCheckerWinsAndTheOthersAreNotAsked) {
  const auto log = RunSearch(k255 + 100, 255, {0}, {0, 63});
  const std::vector<std::string> expected = {"A.SetDevice", "B.SetDevice", "A.Begin", "B.Begin",
                                             "SetRange 0 1", "SetStep 1", "Step", "Pump", "A.0", "Found 0 A",
                                             "Pump", "A.63", "B.63", "Found 63 B", "A.End", "B.End"};
  EXPECT_EQ(log, expected);
}

TEST(PartitionSearcher, With240HeadsCommonCylinderStartsAreProbedOnce) {
  // 300,000 sectors: 18 positions of 16,065 and 19 of 15,120; 0 and
  // 257,040 (16 x 16,065 = 17 x 15,120) belong to both.
  const auto log = RunSearch(300000, 240);
  EXPECT_EQ(log[4], "SetRange 0 37");
  std::vector<std::uint64_t> expected;
  for (std::uint64_t k = 0; k < 18; ++k) expected.insert(expected.end(), {k * k255, k * k255 + 63});
  for (std::uint64_t k = 0; k < 19; ++k)
    if (k != 0 && k != 17) expected.insert(expected.end(), {k * k240, k * k240 + 63});
  EXPECT_EQ(Probes(log), expected);
  // Every position takes a step, skipped or not.
  EXPECT_EQ(std::count(log.begin(), log.end(), "Step"), 37);
}

TEST(PartitionSearcher, AnyOtherHeadCountSearchesThe255HeadPositionsOnly) {
  EXPECT_EQ(Probes(RunSearch(3 * k255, 0)).size(), 6u);
  EXPECT_EQ(Probes(RunSearch(3 * k255, 16)).size(), 6u);
}

TEST(PartitionSearcher, DiskBelowOneCylinderIsNotProbed) {
  const auto log = RunSearch(k240 - 1, 240);
  const std::vector<std::string> expected = {"A.SetDevice", "B.SetDevice", "A.Begin", "B.Begin",
                                             "SetRange 0 0", "SetStep 1", "A.End", "B.End"};
  EXPECT_EQ(log, expected);
}

TEST(PartitionSearcher, FailedReadFindsNothingThereAndTheSearchGoesOn) {
  const auto log = RunSearch(3 * k255, 255, {63, k255 + 63}, {}, -1, {63, k255});
  EXPECT_EQ(Probes(log), (std::vector<std::uint64_t>{0, k255 + 63, 2 * k255, 2 * k255 + 63}));
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
