#include "wizard/steps/scan_partition_controllers.h"
#include "wizard/steps/file_select_hand_on.h"

#include <QtWidgets/QApplication>

#include "app/log_report.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "app/zorv_app.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/scan_result_sections.h"
#include "filemodel/scan_state_store.h"
#include "platform/log.h"
#include "raw/search_controllers.h"
#include "storage/app_settings.h"
#include "storage/device_collection.h"
#include "storage/searched_partition_info.h"
#include "wizard/pages/scan_partition_page.h"
#include "wizard/services/search_runs.h"
#include "wizard/services/tree_build_progress.h"
#include "wizard/services/wizard_state_files.h"
#include "wizard/steps/device_step.h"

namespace qm {
namespace {

void InformOfScan(Prompter& prompter, QWidget* owner, unsigned id) {
  prompter.Inform(owner, LoadAppString(id), ProgramTitle(), PromptIcon::Information);
}

std::vector<ScanPartitionEntry> EntriesOf(const std::vector<CSearchedPartitionInfo*>& partitions) {
  std::vector<ScanPartitionEntry> entries;
  entries.reserve(partitions.size());
  for (CSearchedPartitionInfo* p : partitions) {
    entries.push_back({p, p->GetWeight(), p->GetChosen() != 0 ? 1u : 0u});
  }
  return entries;
}

} // namespace

CScanPartitionStepController::CScanPartitionStepController(const StepEnvironment& env, WIZARD_PAGE page,
                                                           int stateType, Texts texts)
    : env_(env), pageIndex_(page), stateType_(stateType), texts_(texts) {}

CScanPartitionStepController::~CScanPartitionStepController() { Leave(); }

void CScanPartitionStepController::Activate() {
  activated_.start();
  MarkStage(*this);
  env_.navigator.SetActivePage(pageIndex_);
}

void CScanPartitionStepController::Home() {
  Leave();
  if (previous_ != nullptr) {
    previous_->Home();
  }
}

void CScanPartitionStepController::Back() {
  if (!env_.prompter.AskYesNo(page_, LoadAppString(texts_.back), ProgramTitle(), true)) {
    return;
  }
  Leave();
  if (previous_ != nullptr) {
    previous_->Activate();
  }
}

void CScanPartitionStepController::Leave() {
  FreeFoundPartitions(partitions_);
  controllers_.clear();
  store_.reset();
}

StateVariant* CScanPartitionStepController::GetDeviceSelection(StateVariant* out) {
  if (previous_ != nullptr) {
    return previous_->GetDeviceSelection(out);
  }
  return IWizardPageController::GetDeviceSelection(out);
}

void CScanPartitionStepController::SetScanInput(std::vector<CSearchedPartitionInfo*>& partitions,
                                                SearchControllerList& controllers,
                                                std::unique_ptr<CRawFileCollection> store) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Leave();
  partitions_.swap(partitions);
  partitions.clear();
  for (auto& controller : controllers) {
    controllers_.push_back(std::move(controller));
  }
  controllers.clear();
  store_ = std::move(store);
  FillPage();
  SaveRecoveryStates(*this, nullptr);
  QApplication::restoreOverrideCursor();
}

int CScanPartitionStepController::SaveState(IRSData* writer, IDIRBuildCallback*) {
  SaveSearchControllerList(writer, controllers_);
  SaveCarvedFileList(store_.get(), writer);
  SaveFileListState(partitions_, writer);
  return 1;
}

bool CScanPartitionStepController::LoadState(IRSData* reader, IDIRBuildCallback*) {
  Leave();
  IStorageDevice* device = Device();
  if (device == nullptr || LoadSearchControllerList(reader, controllers_) == 0) {
    controllers_.clear();
    return false;
  }
  store_ = LoadCarvedFileList(reader);
  DistributeRawFileCollection(controllers_, store_.get());
  for (auto& controller : controllers_) {
    controller->SetDevice(device);
  }
  if (LoadFileListState(partitions_, reader) == 0) {
    Leave();
    return false;
  }
  FillPage();
  return true;
}

bool CScanPartitionStepController::Next() {
  AppSettings& settings = env_.settings;
  settings.pTreeRoot = nullptr;
  if (partitions_.empty()) {
    if (texts_.emptyList != 0) {
      InformOfScan(env_.prompter, page_, texts_.emptyList);
    }
    return false;
  }
  const int checked = page_ != nullptr ? page_->GetCheckedCount() : 0;
  if (checked == 0) {
    InformOfScan(env_.prompter, page_, texts_.noneTicked);
    return false;
  }
  if (checked > kMaxBuilds) {
    InformOfScan(env_.prompter, page_, texts_.tooMany);
    return false;
  }
  CFileNode* root = CreateScanRoot();
  if (activated_.isValid()) {
    ReportTimedUsageEvent(texts_.pageEvent, static_cast<std::uint32_t>(activated_.elapsed()));
  }
  bool stopped = false;
  {
    CTreeBuildProgress progress(env_.prompter, page_ != nullptr ? page_->window() : nullptr);
    int ordinal = 0;
    for (int row = 0; row < page_->GetCount() && !stopped; ++row) {
      CSearchedPartitionInfo* partition = page_->GetPartition(row);
      if (!page_->GetRowCheck(row) || partition == nullptr) {
        continue;
      }
      LogBuildDirectory(row);
      CFileNode* tree = BuildTreeOfFoundPartition(controllers_, partition, Device(), ordinal++, &progress);
      if (tree != nullptr) {
        root->AddChild(tree);
      }
      if (progress.IsStopped()) {
        ReportUsageEvent(texts_.stopEvent);
        stopped = true;
      }
    }
  }
  if (stopped) {
    DeleteFileTree(root);
    return false;
  }
  ReportUsageEvent(settings.nRecoveryMode == 1 ? 8225 : 8247);
  static_cast<CFileSystemNode*>(root)->UpdateSelectionSummary();
  if (CountTreeFiles(root) == 0) {
    DeleteFileTree(root);
    InformOfScan(env_.prompter, page_, 61248);
  } else {
    LogInfo("CCompleteRecoveryScanPartitionDeviceSelectController::next begin!\n");
    HandTreeToFileSelection(env_, settings.bPageOption != 0 ? this : previous_, root);
    LogInfo("CCompleteRecoveryScanPartitionDeviceSelectController::next end!\n");
  }
  activated_.invalidate();
  return true;
}

CCompleteRecoveryScanPartitionDeviceSelectController::CCompleteRecoveryScanPartitionDeviceSelectController(
    const StepEnvironment& env)
    : CScanPartitionStepController(env, kPageCompleteRecoveryScanPartition, 1,
                                   {134, 135, 136, 137, 8217, 8224}) {}

IStorageDevice* CCompleteRecoveryScanPartitionDeviceSelectController::Device() {
  StateVariant selection;
  GetDeviceSelection(&selection);
  auto* volume = selection.kind == 1 ? static_cast<DeviceListItem*>(selection.pointer) : nullptr;
  return volume != nullptr ? volume->device.get() : nullptr;
}

void CCompleteRecoveryScanPartitionDeviceSelectController::FillPage() {
  LogSearchedPartitionList(Partitions());
  StateVariant selection;
  GetDeviceSelection(&selection);
  auto* volume = selection.kind == 1 ? static_cast<DeviceListItem*>(selection.pointer) : nullptr;
  if (GetPage() == nullptr || volume == nullptr) {
    return;
  }
  std::vector<ScanPartitionEntry> entries = EntriesOf(Partitions());
  GetPage()->SetVolumeSource(entries, *volume);
}

CLostRecoveryScanPartitionDeviceSelectController::CLostRecoveryScanPartitionDeviceSelectController(
    const StepEnvironment& env)
    : CScanPartitionStepController(env, kPageLostRecoveryScanPartition, 4, {144, 0, 145, 146, 8245, 8246}) {}

StateVariant* CLostRecoveryScanPartitionDeviceSelectController::GetDeviceSelection(StateVariant* out) {
  out->kind = 0;
  out->pointer = env_.steps.lostDisk->Chosen();
  return out;
}

IStorageDevice* CLostRecoveryScanPartitionDeviceSelectController::Device() {
  auto* record = static_cast<CScanStateRecord*>(env_.steps.lostDisk->Chosen());
  return record != nullptr ? record->device : nullptr;
}

void CLostRecoveryScanPartitionDeviceSelectController::FillPage() {
  LogSearchedPartitionList(Partitions());
  auto* record = static_cast<CScanStateRecord*>(env_.steps.lostDisk->Chosen());
  if (GetPage() == nullptr || record == nullptr) {
    return;
  }
  std::vector<ScanPartitionEntry> entries = EntriesOf(Partitions());
  GetPage()->SetDiskSource(entries, *record);
}

void CScanPartitionStepController::ShowAdvancedSettings() {
  RunAdvancedSettings(false, nullptr, env_.settings);
}

} // namespace qm
