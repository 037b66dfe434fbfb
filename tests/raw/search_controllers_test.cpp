#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/rs_data.h"
#include "platform/log.h"
#include "raw/search_controllers.h"
#include "storage/app_settings.h"
#include "storage/searched_partition_info.h"

namespace {

// A result stream in memory: sections by GUID, one open at a time.
class MemoryStream : public IRSData {
public:
  int IsValid() override { return 1; }
  int Open(const char*, int) override { return 1; }
  int Close() override { return 1; }
  int WriteHeader(const RSHeader&) override { return 1; }
  int ReadHeader(RSHeader&) override { return 1; }
  int GetFileKind() override { return 1; }
  void SetFileKind(int) override {}
  void SetText(const char*) override {}
  int GetText(char*, int) override { return 0; }
  int OpenSection(const GUID& id) override {
    if (reading && !Has(id)) throw CRSException(qm::kRSNoSuchSection);
    open = Key(id);
    position = 0;
    return 1;
  }
  int CloseSection() override {
    open.clear();
    return 1;
  }
  std::uint32_t GetSectionLength() override { return static_cast<std::uint32_t>(sections[open].size()); }
  int Read(void* buffer, std::uint32_t n) override {
    std::string& data = sections[open];
    if (open.empty() || data.size() - position < n) throw CRSException(qm::kRSShortRead);
    std::memcpy(buffer, data.data() + position, n);
    position += n;
    return 1;
  }
  int Write(const void* buffer, std::uint32_t n) override {
    if (open.empty()) throw CRSException(qm::kRSNoOpenSection);
    sections[open].append(static_cast<const char*>(buffer), n);
    return 1;
  }
  void Flush() override {}
  int TryOpenSection(const GUID& id) override { return Has(id) ? OpenSection(id) : 0; }
  int HasSection(const GUID& id) override { return Has(id) ? 1 : 0; }

  static std::string Key(const GUID& id) {
    std::uint8_t bytes[16];
    qm::StoreGuid(bytes, id);
    return std::string(reinterpret_cast<char*>(bytes), 16);
  }
  bool Has(const GUID& id) { return sections.count(Key(id)) != 0; }

  bool reading = false;
  std::map<std::string, std::string> sections;
  std::string open;
  std::size_t position = 0;
};

// A controller that records what it is told and keeps a small state of
// its own in the stream.
class TestController : public IFileSystemSearchController {
public:
  TestController(int kind, std::vector<std::string>* calls) : kind_(kind), calls_(calls) {}
  ~TestController() override { Note("deleted"); }

  void SetDevice(IStorageDevice*) override {}
  void SetSectorsPerBlock(std::uint32_t) override {}
  int PrepareSearch() override { return 1; }
  int AnalyzeBlock(std::uint64_t, std::uint64_t, SearchStatistics*) override { return 1; }
  // Hands out the weights it was given, as candidates of its own.
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) override {
    for (double weight : candidateWeights_) {
      auto partition = std::make_unique<CSearchedPartitionInfo>();
      partition->SetWeight(weight);
      partition->SetAuxValue(static_cast<std::uint32_t>(kind_));
      partitions.push_back(partition.release()); // the list's owner owns it now
    }
    candidateWeights_.clear();
  }
  std::vector<double> candidateWeights_;
  void SetRawFileCollection(CRawFileCollection* collection) override {
    collection_ = collection;
    Note("collection");
  }
  int Save(IRSData* stream) override {
    qm::RSWrite<std::uint32_t>(*stream, 1000 + static_cast<std::uint32_t>(kind_));
    return 1;
  }
  // A saved 0 stands for what a real controller refuses (a count over its
  // cap): the rest of its record is then not read.
  int Load(IRSData* stream) override {
    loaded_ = qm::RSRead<std::uint32_t>(*stream);
    return loaded_ != 0 ? 1 : 0;
  }
  int GetKind() override { return kind_; }
  // The type codes of the real controllers: NTFS 3, FAT 0-2, EXT2 4-5,
  // carving none.
  int AcceptsPartitionType(int type) override {
    switch (kind_) {
    case kNtfsSearchController:
      return type == 3;
    case kFatSearchController:
      return type >= 0 && type <= 2;
    case kExt2SearchController:
      return type == 4 || type == 5;
    default:
      return 0;
    }
  }
  CFileNode* BuildTree(CSearchedPartitionInfo* partition, IStorageDevice*, int ordinal,
                       IDIRBuildCallback*) override {
    Note("build");
    lastOrdinal_ = ordinal;
    lastPartition_ = partition;
    return failBuild_ ? nullptr : CreateFileNode();
  }

  CRawFileCollection* collection_ = nullptr;
  int lastOrdinal_ = -1;
  CSearchedPartitionInfo* lastPartition_ = nullptr;
  bool failBuild_ = false;
  std::uint32_t loaded_ = 0;

private:
  void Note(const char* what) {
    if (calls_) calls_->push_back(std::string(SearchControllerKindName(kind_)) + " " + what);
  }
  int kind_;
  std::vector<std::string>* calls_;
};

SearchControllerMaker MakerFor(std::vector<std::string>* calls) {
  return [calls](int kind) -> std::unique_ptr<IFileSystemSearchController> {
    if (kind < 0 || kind > 3) return nullptr;
    return std::make_unique<TestController>(kind, calls);
  };
}

std::vector<int> Kinds(SearchControllerList& list) {
  std::vector<int> kinds;
  for (auto& controller : list)
    kinds.push_back(controller->GetKind());
  return kinds;
}

class SearchControllers : public ::testing::Test {
protected:
  void TearDown() override {
    GetAppSettings()->bRawOnly = 0;
    GetAppSettings()->bRecoverRaw = 1;
  }
};

TEST_F(SearchControllers, ListFollowsRawOnlyAndRecoverRaw) {
  struct Row {
    int rawOnly;
    int recoverRaw;
    std::vector<int> kinds;
  } rows[] = {
      {0, 1, {kFatSearchController, kNtfsSearchController, kExt2SearchController, kRawSearchController}},
      {0, 0, {kFatSearchController, kNtfsSearchController, kExt2SearchController}},
      {1, 1, {kRawSearchController}},
      {1, 0, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rawOnly * 10 + row.recoverRaw);
    GetAppSettings()->bRawOnly = row.rawOnly;
    GetAppSettings()->bRecoverRaw = row.recoverRaw;
    SearchControllerList list;
    BuildSearchControllerList(list, MakerFor(nullptr));
    EXPECT_EQ(Kinds(list), row.kinds);
  }
}

TEST_F(SearchControllers, KindsWithoutAnEngineAreLeftOut) {
  SearchControllerList list;
  BuildSearchControllerList(list, [](int kind) -> std::unique_ptr<IFileSystemSearchController> {
    if (kind != kNtfsSearchController) return nullptr;
    return std::make_unique<TestController>(kind, nullptr);
  });
  EXPECT_EQ(Kinds(list), std::vector<int>{kNtfsSearchController});
}

TEST_F(SearchControllers, CollectionReachesEveryControllerInOrderAndListOwnsThem) {
  std::vector<std::string> calls;
  {
    SearchControllerList list;
    BuildSearchControllerList(list, MakerFor(&calls));
    CRawFileCollection collection;
    DistributeRawFileCollection(list, &collection);
    for (auto& controller : list)
      EXPECT_EQ(static_cast<TestController&>(*controller).collection_, &collection);
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"FAT collection", "NTFS collection", "EXT2 collection",
                                             "RAW collection", "FAT deleted", "NTFS deleted", "EXT2 deleted",
                                             "RAW deleted"}));
}

TEST_F(SearchControllers, TreeIsBuiltByTheFirstControllerThatAcceptsTheType) {
  std::vector<std::string> calls;
  SearchControllerList list;
  BuildSearchControllerList(list, MakerFor(&calls));
  struct Row {
    std::uint32_t type;
    const char* builder; // nullptr: no tree
  } rows[] = {{kFsFat12, "FAT build"}, {kFsFat32, "FAT build"}, {kFsNtfs, "NTFS build"},
              {kFsExt3, "EXT2 build"}, {kFsUnknown, nullptr},   {6, nullptr}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    calls.clear();
    CSearchedPartitionInfo partition;
    partition.SetFileSystemType(row.type);
    CFileNode* root = BuildTreeOfFoundPartition(list, &partition, nullptr, 2, nullptr);
    if (row.builder == nullptr) {
      EXPECT_EQ(root, nullptr);
      EXPECT_TRUE(calls.empty());
      continue;
    }
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(calls, std::vector<std::string>{row.builder});
    DeleteFileTree(root);
  }
  auto& ntfs = static_cast<TestController&>(*list[1]);
  EXPECT_EQ(ntfs.lastOrdinal_, 2);
  ntfs.failBuild_ = true;
  CSearchedPartitionInfo partition;
  partition.SetFileSystemType(kFsNtfs);
  EXPECT_EQ(BuildTreeOfFoundPartition(list, &partition, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(BuildTreeOfFoundPartition(list, nullptr, nullptr, 0, nullptr), nullptr);
}

TEST_F(SearchControllers, CarvingAloneBuildsNoTree) {
  GetAppSettings()->bRawOnly = 1;
  SearchControllerList list;
  BuildSearchControllerList(list, MakerFor(nullptr));
  ASSERT_EQ(list.size(), 1u);
  std::vector<CSearchedPartitionInfo*> found;
  for (auto& controller : list)
    controller->GetFoundPartitions(found);
  EXPECT_TRUE(found.empty());
  for (std::uint32_t type : {kFsFat12, kFsFat16, kFsFat32, kFsNtfs, kFsExt2, kFsExt3, kFsUnknown}) {
    CSearchedPartitionInfo partition;
    partition.SetFileSystemType(type);
    EXPECT_EQ(BuildTreeOfFoundPartition(list, &partition, nullptr, 0, nullptr), nullptr);
  }
}

TEST_F(SearchControllers, CandidatesOfAllControllersAreCollectedThenSortedStably) {
  SearchControllerList list;
  BuildSearchControllerList(list, MakerFor(nullptr));
  static_cast<TestController&>(*list[0]).candidateWeights_ = {5, 9}; // FAT
  static_cast<TestController&>(*list[1]).candidateWeights_ = {9, 1}; // NTFS
  static_cast<TestController&>(*list[2]).candidateWeights_ = {5};    // EXT2
  std::vector<CSearchedPartitionInfo*> found;
  CollectFoundPartitions(list, found);
  ASSERT_EQ(found.size(), 5u);
  SortFoundPartitionsByWeight(found);
  std::vector<std::pair<double, std::uint32_t>> order;
  for (auto* partition : found)
    order.emplace_back(partition->GetWeight(), partition->GetAuxValue());
  using K = std::uint32_t;
  EXPECT_EQ(order, (std::vector<std::pair<double, std::uint32_t>>{{9, K{kFatSearchController}},
                                                                  {9, K{kNtfsSearchController}},
                                                                  {5, K{kFatSearchController}},
                                                                  {5, K{kExt2SearchController}},
                                                                  {1, K{kNtfsSearchController}}}));
  for (auto* partition : found)
    std::unique_ptr<CSearchedPartitionInfo> owned(partition);
}

TEST_F(SearchControllers, SaveAndLoadKeepOrderKindsAndRecords) {
  SearchControllerList saved;
  BuildSearchControllerList(saved, MakerFor(nullptr));
  MemoryStream stream;
  ASSERT_EQ(SaveSearchControllerList(&stream, saved), 1);
  stream.reading = true;
  SearchControllerList loaded;
  ASSERT_EQ(LoadSearchControllerList(&stream, loaded, MakerFor(nullptr)), 1);
  EXPECT_EQ(Kinds(loaded), Kinds(saved));
  for (auto& controller : loaded)
    EXPECT_EQ(static_cast<TestController&>(*controller).loaded_,
              1000u + static_cast<std::uint32_t>(controller->GetKind()));
}

TEST_F(SearchControllers, DamagedListsAreRefused) {
  SearchControllerList list;
  MemoryStream missing;
  missing.reading = true;
  EXPECT_EQ(LoadSearchControllerList(&missing, list, MakerFor(nullptr)), 0);

  auto streamWith = [](std::uint64_t count, std::vector<std::int32_t> kinds, std::uint32_t record = 7) {
    MemoryStream stream;
    stream.OpenSection(kSearchControllerListSection);
    qm::RSWrite<std::uint64_t>(stream, count);
    for (std::int32_t kind : kinds) {
      qm::RSWrite<std::int32_t>(stream, kind);
      qm::RSWrite<std::uint32_t>(stream, record);
    }
    stream.CloseSection();
    stream.reading = true;
    return stream;
  };

  std::vector<std::string> calls;
  MemoryStream unknownKind = streamWith(2, {kFatSearchController, 9});
  EXPECT_EQ(LoadSearchControllerList(&unknownKind, list, MakerFor(&calls)), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(calls, (std::vector<std::string>{"FAT deleted"}));

  MemoryStream hugeCount = streamWith(~std::uint64_t{0}, {kFatSearchController});
  EXPECT_EQ(LoadSearchControllerList(&hugeCount, list, MakerFor(nullptr)), 0);
  EXPECT_TRUE(list.empty());

  // A controller that refuses its own record: what follows it would be read
  // out of step, so the whole list is refused.
  MemoryStream refused = streamWith(2, {kFatSearchController, kNtfsSearchController}, 0);
  EXPECT_EQ(LoadSearchControllerList(&refused, list, MakerFor(nullptr)), 0);
  EXPECT_TRUE(list.empty());

  // The stream ends inside the third entry: the error passes on and the
  // entries read so far are deleted.
  calls.clear();
  MemoryStream cut = streamWith(3, {kFatSearchController, kNtfsSearchController});
  EXPECT_THROW(LoadSearchControllerList(&cut, list, MakerFor(&calls)), IRSException);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(calls, (std::vector<std::string>{"FAT deleted", "NTFS deleted"}));
}

TEST_F(SearchControllers, StreamErrorsWhileSavingAreLoggedAndPassedOn) {
  struct FullStream : MemoryStream {
    int Write(const void*, std::uint32_t) override { throw CRSException(qm::kRSWriteFailed); }
  } stream;
  std::vector<std::string> lines;
  int observer = qm::AddLogObserver([&](LogKind, std::string_view text) { lines.emplace_back(text); });
  SearchControllerList list;
  BuildSearchControllerList(list, MakerFor(nullptr));
  EXPECT_THROW(SaveSearchControllerList(&stream, list), IRSException);
  qm::RemoveLogObserver(observer);
  EXPECT_EQ(list.size(), 4u); // saving leaves the list alone
  EXPECT_NE(std::find(lines.begin(), lines.end(), "RS Exception:6"), lines.end());
}

} // namespace

TEST(SearchControllerKinds, NtfsControllerIsMadeForKindZero) {
  const auto ntfs = CreateSearchController(kNtfsSearchController);
  ASSERT_NE(ntfs, nullptr);
  EXPECT_EQ(ntfs->GetKind(), kNtfsSearchController);
  EXPECT_EQ(ntfs->AcceptsPartitionType(kFsNtfs), 1);
  for (const int type : {kFsFat12, kFsFat16, kFsFat32, kFsExt2, kFsExt3, kFsUnknown})
    EXPECT_EQ(ntfs->AcceptsPartitionType(type), 0) << type;
}
