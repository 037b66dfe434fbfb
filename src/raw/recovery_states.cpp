#include "raw/recovery_states.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <system_error>
#include <unordered_set>

#include "filemodel/crs_data.h"
#include "filemodel/dir_build_callback.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/rs_exception.h"
#include "filemodel/scan_result_sections.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "storage/searched_partition_info.h"

namespace {

// The progress of one save or restore: a step of 100, ended on every way
// out.
class StateProgress {
public:
  explicit StateProgress(IDIRBuildCallback* callback) : callback_(callback) {
    if (callback_ != nullptr) callback_->OnBegin(qm::kSavingRecoveryStatesText, 100);
  }
  ~StateProgress() {
    if (callback_ != nullptr) callback_->OnEnd();
  }
  StateProgress(const StateProgress&) = delete;
  StateProgress& operator=(const StateProgress&) = delete;
  void Add(std::uint32_t n) {
    if (callback_ != nullptr) callback_->OnStep(n);
  }

private:
  IDIRBuildCallback* callback_;
};

// Closes the process-wide stream on every way out.
struct StreamCloser {
  IRSData* stream;
  ~StreamCloser() {
    try {
      stream->Close();
    } catch (const IRSException& error) {
      LogError("RS Exception:%d", static_cast<int>(error.GetErrorCode()));
    }
  }
};

void DeletePartitions(std::vector<CSearchedPartitionInfo*>& partitions) {
  for (CSearchedPartitionInfo* p : partitions)
    delete p;
  partitions.clear();
}

} // namespace

namespace qm {
namespace {

std::mutex g_folderLock;
std::filesystem::path g_folder;

const char* TempName(int kind) {
  return kind == kSearchComplete ? "cstemp.rdf" : kind == kSearchLostPartition ? "lpstemp.rdf" : nullptr;
}
const char* LastName(int kind) {
  return kind == kSearchComplete ? "cslast.rdf" : kind == kSearchLostPartition ? "lpslast.rdf" : nullptr;
}

} // namespace

int StageOfStateType(int stateType) {
  switch (stateType) {
  case kStateCompleteScan:
    return 1;
  case kStateFileSelection:
    return 2;
  case kStateFoundPartitions:
    return 3;
  case kStateLostScan:
    return 4;
  default:
    return 0;
  }
}

int HighestStateTypeOfStage(int stage) {
  switch (stage) {
  case 1:
    return kStateCompleteScan;
  case 2:
    return kStateFileSelection;
  case 3:
    return kStateFoundPartitions;
  case 4:
    return kStateLostScan;
  default:
    return kStateNotKept;
  }
}

std::filesystem::path RecoveryStateFolder() {
  std::lock_guard lock(g_folderLock);
  return g_folder.empty() ? GetProgramDataFolder() : g_folder;
}

void SetRecoveryStateFolder(std::filesystem::path folder) {
  std::lock_guard lock(g_folderLock);
  g_folder = std::move(folder);
}

std::filesystem::path TempStateFilePath(int searchKind) {
  const char* name = TempName(searchKind);
  return name ? RecoveryStateFolder() / name : std::filesystem::path();
}

std::filesystem::path LastStateFilePath(int searchKind) {
  const char* name = LastName(searchKind);
  return name ? RecoveryStateFolder() / name : std::filesystem::path();
}

} // namespace qm

int SaveRecoveryStates(IRecoveryStateHolder* current, IDIRBuildCallback* progressCallback) {
  if (current == nullptr) return 0;
  StateProgress progress(progressCallback);
  const std::filesystem::path path = qm::TempStateFilePath(current->GetSearchKind());
  if (path.empty()) return 0;
  IRSData* writer = CRSData::GetWriter();
  if (!writer->Open(path.c_str(), 1)) {
    LogError("Failed to create the state file %s", path.c_str());
    return 0;
  }
  StreamCloser closer{writer};
  try {
    writer->SetFileKind(qm::StageOfStateType(current->GetStateTypeId()));
    progress.Add(5);
    // Oldest step first; a chain that comes round to a step again ends
    // there (it would never end otherwise).
    std::deque<IRecoveryStateHolder*> chain;
    std::unordered_set<IRecoveryStateHolder*> seen;
    for (IRecoveryStateHolder* step = current; step != nullptr && seen.insert(step).second;
         step = step->GetPreviousStateHolder())
      if (step->GetStateTypeId() != qm::kStateNotKept) chain.push_front(step);
    writer->OpenSection(qm::kStateTypeListSection);
    qm::RSWrite<std::uint32_t>(*writer, static_cast<std::uint32_t>(chain.size()));
    for (IRecoveryStateHolder* step : chain)
      qm::RSWrite<std::uint32_t>(*writer, static_cast<std::uint32_t>(step->GetStateTypeId()));
    writer->CloseSection();
    progress.Add(5);
    for (IRecoveryStateHolder* step : chain) {
      step->SaveState(writer, progressCallback);
      progress.Add(10);
    }
  } catch (const IRSException& error) {
    LogError("RS Exception:%d", static_cast<int>(error.GetErrorCode()));
    return 0;
  }
  return 1;
}

IRecoveryStateHolder* RestoreRecoveryStates(IRecoveryStateHolder* current,
                                            const RecoveryStateHolderOf& holderOf,
                                            IDIRBuildCallback* progressCallback) {
  if (current == nullptr || !holderOf) return nullptr;
  const int searchKind = current->GetSearchKind();
  const std::filesystem::path last = qm::LastStateFilePath(searchKind);
  if (last.empty()) return nullptr;
  IRSData* reader = CRSData::GetReader();
  if (!reader->Open(last.c_str(), 0)) return nullptr;
  StreamCloser closer{reader};
  StateProgress progress(progressCallback);

  std::vector<IRecoveryStateHolder*> steps;
  bool ok = false;
  try {
    const int limit = qm::HighestStateTypeOfStage(reader->GetFileKind());
    progress.Add(5);
    if (!reader->TryOpenSection(qm::kStateTypeListSection)) {
      LogError("The state file %s lists no steps", last.c_str());
    } else {
      const auto count = qm::RSRead<std::uint32_t>(*reader);
      ok = count <= qm::kMaxKeptSteps;
      std::vector<int> seenTypes;
      for (std::uint32_t i = 0; ok && i < count; ++i) {
        const auto type = qm::RSRead<std::uint32_t>(*reader);
        if (type > static_cast<std::uint32_t>(limit)) continue;
        // A step listed twice would make the chain come round to itself.
        if (std::find(seenTypes.begin(), seenTypes.end(), static_cast<int>(type)) != seenTypes.end()) {
          ok = false;
          break;
        }
        seenTypes.push_back(static_cast<int>(type));
        if (IRecoveryStateHolder* step = holderOf(static_cast<int>(type))) steps.push_back(step);
      }
      reader->CloseSection();
      if (!ok) LogError("The state file %s lists its steps wrongly", last.c_str());
    }
    progress.Add(5);
    IRecoveryStateHolder* previous = current;
    for (std::size_t i = 0; ok && i < steps.size(); ++i) {
      IRecoveryStateHolder* step = steps[i];
      if (step != previous) {
        step->SetPreviousStateHolder(previous);
        previous = step;
      }
      ok = step->LoadState(reader, progressCallback);
      progress.Add(10);
    }
    ok = ok && !steps.empty();
  } catch (const IRSException& error) {
    LogError("Failed to restore last recvoery states. Error code:%d.",
             static_cast<int>(error.GetErrorCode()));
    ok = false;
  }
  if (!ok) {
    for (IRecoveryStateHolder* step : steps) {
      const int type = step->GetStateTypeId();
      if (type == qm::kStateCompleteScan || type == qm::kStateFoundPartitions || type == qm::kStateLostScan ||
          type == qm::kStateFileSelection)
        step->Leave();
    }
    return nullptr;
  }
  // The resumed road goes on writing the temporary file from what it
  // resumed.
  std::error_code error;
  std::filesystem::copy_file(last, qm::TempStateFilePath(searchKind),
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error)
    LogError("Failed to copy %s to the temporary state file: %s", last.c_str(), error.message().c_str());
  return steps.back();
}

int SetStateText(IRSData* writer, const char* text) {
  if (writer == nullptr || text == nullptr) return 1;
  try {
    writer->SetText(text);
  } catch (const IRSException& error) {
    LogError("Failed to set reuslt info, Error code:%d", static_cast<int>(error.GetErrorCode()));
  }
  return 1;
}

int SaveScanState(IRSData* writer, SearchControllerList& controllers, CRawFileCollection* carved,
                  const std::vector<CSearchedPartitionInfo*>& partitions) {
  if (writer == nullptr) return 0;
  CRawFileCollection none;
  if (SaveSearchControllerList(writer, controllers) == 0) return 0;
  if (SaveCarvedFileList(carved != nullptr ? carved : &none, writer) == 0) return 0;
  return SaveFileListState(partitions, writer);
}

int LoadScanState(IRSData* reader, SearchControllerList& controllers,
                  std::unique_ptr<CRawFileCollection>& carved,
                  std::vector<CSearchedPartitionInfo*>& partitions) {
  DeletePartitions(partitions);
  if (reader == nullptr) return 0;
  const std::size_t before = controllers.size();
  auto undo = [&] {
    if (controllers.size() > before) controllers.resize(before);
    carved.reset();
    DeletePartitions(partitions);
  };
  try {
    if (LoadSearchControllerList(reader, controllers) == 0) {
      undo();
      return 0;
    }
    carved = LoadCarvedFileList(reader);
    if (!carved) {
      LogError("The saved scan holds no carved-file list");
      undo();
      return 0;
    }
    DistributeRawFileCollection(controllers, carved.get());
    if (LoadFileListState(partitions, reader) == 0) {
      undo();
      return 0;
    }
  } catch (const IRSException&) {
    undo();
    throw;
  }
  return 1;
}
