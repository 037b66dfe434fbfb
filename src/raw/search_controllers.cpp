#include "raw/search_controllers.h"

#include <algorithm>

#include "fatext2/ext2_search_controller.h"
#include "fatext2/fat_search_controller.h"
#include "filemodel/rs_data.h"
#include "ntfs/ntfs_search_controller.h"
#include "platform/log.h"
#include "raw/raw_search_controller.h"
#include "storage/app_settings.h"
#include "storage/intelligent_search.h"
#include "storage/intelligent_search_score.h"
#include "storage/searched_partition_info.h"
#include "storage/storage_device.h"

namespace {

// A saved list holds one controller per file system (four); more than
// this is a damaged file, refused before anything is made.
constexpr std::uint64_t kMaxSavedControllers = 16;

void Append(SearchControllerList& list, const SearchControllerMaker& make, int kind) {
  auto controller = make ? make(kind) : nullptr;
  if (!controller) {
    LogError("No %s search controller in this build; the scan runs without it\n",
             SearchControllerKindName(kind));
    return;
  }
  list.push_back(std::move(controller));
}

} // namespace

std::unique_ptr<IFileSystemSearchController> CreateSearchController(int kind) {
  switch (kind) {
  // The engines' controllers join here as they are built.
  case kFatSearchController:
    return std::make_unique<CFATSearchController>();
  case kExt2SearchController:
    return std::make_unique<CEXT2SearchController>();
  case kNtfsSearchController:
    return std::make_unique<CNTFSSearchController>();
  case kRawSearchController:
    return std::make_unique<CRAWSearchController>();
  default:
    return nullptr;
  }
}

void BuildSearchControllerList(SearchControllerList& list, const SearchControllerMaker& make) {
  const AppSettings* settings = GetAppSettings();
  if (!settings->bRawOnly) {
    Append(list, make, kFatSearchController);
    Append(list, make, kNtfsSearchController);
    Append(list, make, kExt2SearchController);
  }
  if (settings->bRecoverRaw) Append(list, make, kRawSearchController);
}

void DistributeRawFileCollection(SearchControllerList& list, CRawFileCollection* collection) {
  for (auto& controller : list)
    controller->SetRawFileCollection(collection);
}

void CollectFoundPartitions(SearchControllerList& list, std::vector<CSearchedPartitionInfo*>& partitions) {
  for (auto& controller : list)
    controller->GetFoundPartitions(partitions);
}

void SortFoundPartitionsByWeight(std::vector<CSearchedPartitionInfo*>& partitions) {
  std::stable_sort(partitions.begin(), partitions.end(),
                   [](const CSearchedPartitionInfo* a, const CSearchedPartitionInfo* b) {
                     return a->GetWeight() > b->GetWeight();
                   });
}

int RunIntelligentSearch(IStorageDevice* device, SearchControllerList& list,
                         std::vector<CSearchedPartitionInfo*>& partitions,
                         IIntelligentSearchCallback* callback) {
  int started = 0;
  {
    CIntelligentSearchController search;
    search.SetDevice(device);
    for (auto& controller : list)
      search.AddEntry(controller.get());
    // The sweep runs on a worker thread of its own; with no dialog to show
    // in the meantime this thread simply waits for it.
    started = search.Start(callback);
    if (callback != nullptr) callback->SetFinished();
  }
  CollectFoundPartitions(list, partitions);
  CIntelligentSearchScore::ComputeWeights(partitions);
  SortFoundPartitionsByWeight(partitions);
  CIntelligentSearchScore::Rank(partitions, device == nullptr ? 0 : device->GetSectorCount());
  return started;
}

CFileNode* BuildTreeOfFoundPartition(SearchControllerList& list, CSearchedPartitionInfo* partition,
                                     IStorageDevice* device, int ordinal, IDIRBuildCallback* callback) {
  if (partition == nullptr) return nullptr;
  const int type = static_cast<int>(partition->GetFileSystemType());
  for (auto& controller : list) {
    if (controller->AcceptsPartitionType(type))
      return controller->BuildTree(partition, device, ordinal, callback);
  }
  LogInfo("No search controller builds trees of file-system type %d\n", type);
  return nullptr;
}

int SaveSearchControllerList(IRSData* stream, SearchControllerList& list) {
  if (stream == nullptr) return 0;
  try {
    stream->OpenSection(kSearchControllerListSection);
    qm::RSWrite<std::uint64_t>(*stream, list.size());
    for (auto& controller : list) {
      qm::RSWrite<std::int32_t>(*stream, controller->GetKind());
      controller->Save(stream);
    }
    stream->CloseSection();
  } catch (const IRSException& error) {
    LogError("RS Exception:%d", static_cast<int>(error.GetErrorCode()));
    throw;
  }
  return 1;
}

int LoadSearchControllerList(IRSData* stream, SearchControllerList& list, const SearchControllerMaker& make) {
  if (stream == nullptr) return 0;
  try {
    if (!stream->TryOpenSection(kSearchControllerListSection)) return 0;
    auto count = qm::RSRead<std::uint64_t>(*stream);
    if (count > kMaxSavedControllers) {
      LogError("Saved controller list holds %llu controllers; refused\n",
               static_cast<unsigned long long>(count));
      stream->CloseSection();
      return 0;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
      auto kind = qm::RSRead<std::int32_t>(*stream);
      auto controller = make ? make(kind) : nullptr;
      if (!controller) {
        LogError("Saved controller list names controller kind %d, which cannot be made; refused\n", kind);
        list.clear();
        stream->CloseSection();
        return 0;
      }
      // A throw deletes it with the list. A refusal leaves the stream
      // inside its record, where the next entry cannot be read.
      if (controller->Load(stream) == 0) {
        LogError("Saved controller of kind %d could not be loaded; refused\n", kind);
        list.clear();
        stream->CloseSection();
        return 0;
      }
      list.push_back(std::move(controller));
    }
    stream->CloseSection();
  } catch (const IRSException& error) {
    list.clear();
    LogError("RS Exception:%d", static_cast<int>(error.GetErrorCode()));
    throw;
  }
  return 1;
}
