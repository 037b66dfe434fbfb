#include "wizard/steps/lost_partition_controllers.h"
#include "wizard/steps/file_select_hand_on.h"

#include <QtCore/QCoreApplication>

#include "app/format_text.h"
#include "app/log_report.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "app/zorv_app.h"
#include "controls/device_select_ctrl.h"
#include "dialogs/small_dialogs.h"
#include "fatext2/ext2_tree_builder.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_search_controller.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "ntfs/ntfs_tree_builder.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "storage/searched_partition_info.h"
#include "storage/storage_device.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/services/search_runs.h"
#include "wizard/services/tree_build_progress.h"
#include "wizard/services/wizard_state_files.h"
#include "wizard/steps/device_step.h"

namespace qm {
namespace {

// The hint after a partition build stays until the user ticks its box.
bool g_showFullScanHint = true;

void InformOfFoundPartitions(Prompter& prompter, QWidget* owner, const QString& text) {
  prompter.Inform(owner, text, ProgramTitle(), PromptIcon::Information);
}

CFileNode* BuildFat(IStorageDevice* device, bool fat32, IDIRBuildCallback* callback,
                    const AppSettings& settings) {
  CFATSearchedPartitionInfo* record =
      NewFATSearchedPartitionInfo(static_cast<std::uint32_t>(device->GetSectorSize()));
  if (record == nullptr) {
    return nullptr;
  }
  std::uint32_t flags = fat32 ? 12 : 3;
  if (settings.bUseFirstFat != 0) {
    flags += 192;
  }
  if (settings.bUseSecondFat != 0) {
    flags += 768;
  }
  record->SetFlags(flags);
  CFatTreeBuilder builder;
  CFileNode* tree = builder.StartQuickBuild(callback, *record, device, 1);
  DeleteFATSearchedPartitionInfo(record);
  return tree;
}

} // namespace

CFileNode* BuildLostPartitionTree(const LostPartitionRecord& record, IDIRBuildCallback* callback,
                                  const AppSettings& settings) {
  IStorageDevice* device = record.partitionDevice;
  if (device == nullptr) {
    return nullptr;
  }
  switch (record.fileSystemType) {
  case 2:
    return BuildFat(device, true, callback, settings);
  case 3: {
    CNtfsTreeBuilder builder;
    builder.SetThreads(0); // the $MFT's records are checked on every core
    return builder.Start(0, device, callback);
  }
  case 4:
  case 5: {
    IStorageDevice* view = device->Get512ByteSectorDevice();
    return CExt2LostPartitionTreeBuilder::Start(view != nullptr ? view : device, callback, 2, false);
  }
  default:
    return BuildFat(device, false, callback, settings);
  }
}

CLostRecoveryPartitionDeviceSelectController::~CLostRecoveryPartitionDeviceSelectController() { Leave(); }

void CLostRecoveryPartitionDeviceSelectController::Activate() {
  if (found_.empty()) {
    ScanWholeDisk();
    return;
  }
  MarkStage(*this);
  env_.navigator.SetActivePage(kPageLostRecoveryPartition);
}

void CLostRecoveryPartitionDeviceSelectController::Home() {
  Leave();
  if (previous_ != nullptr) {
    previous_->Home();
  }
  if (page_ != nullptr) {
    page_->ResetControls();
  }
}

void CLostRecoveryPartitionDeviceSelectController::Back() {
  Leave();
  if (previous_ != nullptr) {
    previous_->Activate();
  }
  if (page_ != nullptr) {
    page_->ResetControls();
  }
}

void CLostRecoveryPartitionDeviceSelectController::Leave() {
  chosen_ = -1;
  if (page_ != nullptr) {
    page_->DeviceCtrl().DeleteAllItems();
  }
  found_.clear();
}

StateVariant* CLostRecoveryPartitionDeviceSelectController::GetDeviceSelection(StateVariant* out) {
  if (chosen_ >= 0 && static_cast<std::size_t>(chosen_) < found_.size()) {
    out->kind = 2;
    out->pointer = &found_[static_cast<std::size_t>(chosen_)].record;
    return out;
  }
  if (previous_ != nullptr) {
    return previous_->GetDeviceSelection(out);
  }
  return IWizardPageController::GetDeviceSelection(out);
}

int CLostRecoveryPartitionDeviceSelectController::SetFoundPartitions(
    std::vector<LostPartitionRecord>& found) {
  Leave();
  for (LostPartitionRecord& record : found) {
    PartitionWindowEntry entry;
    entry.record = record;
    entry.window.reset(record.partitionDevice);
    found_.push_back(std::move(entry));
  }
  found.clear();
  FillPage();
  return SaveRecoveryStates(*this, nullptr);
}

int CLostRecoveryPartitionDeviceSelectController::SaveState(IRSData* writer, IDIRBuildCallback*) {
  std::vector<const LostPartitionRecord*> list;
  for (const PartitionWindowEntry& entry : found_) {
    list.push_back(&entry.record);
  }
  return WritePartitionListSection(list, chosen_, writer);
}

bool CLostRecoveryPartitionDeviceSelectController::LoadState(IRSData* reader, IDIRBuildCallback*) {
  Leave();
  auto* disk = static_cast<CScanStateRecord*>(env_.steps.lostDisk->Chosen());
  if (disk == nullptr || disk->device == nullptr) {
    return false;
  }
  int selected = -1;
  if (ReadPartitionListSection(found_, &selected, disk->device, reader) == 0) {
    found_.clear();
    return false;
  }
  chosen_ = selected;
  FillPage();
  return true;
}

void CLostRecoveryPartitionDeviceSelectController::ShowAdvancedSettings() {
  RunAdvancedSettings(true, page_ != nullptr ? page_->window() : nullptr, env_.settings);
}

void CLostRecoveryPartitionDeviceSelectController::FillPage() {
  std::vector<LostPartitionRecord> records;
  for (const PartitionWindowEntry& entry : found_) {
    records.push_back(entry.record);
  }
  LogLostPartitionList(records);
  if (page_ == nullptr) {
    return;
  }
  CDeviceSelectCtrl& view = page_->DeviceCtrl();
  view.DeleteAllItems();
  for (PartitionWindowEntry& entry : found_) {
    DEVICE_ITEM item;
    item.iconKind = 3;
    item.sectorCount = entry.record.sectorCount;
    item.bytesPerSector =
        entry.window != nullptr ? static_cast<std::uint32_t>(entry.window->GetSectorSize()) : 0;
    const QString label = QString::fromUtf8(
        entry.record.volumeLabel,
        static_cast<int>(strnlen(entry.record.volumeLabel, sizeof entry.record.volumeLabel)));
    item.name = label + QStringLiteral(" - ") +
                QString::fromStdString(GetFileSystemTypeName(entry.record.fileSystemType));
    item.itemData = &entry.record;
    view.AddItem(item);
  }
}

IWizardPageController* CLostRecoveryPartitionDeviceSelectController::StepBeforeNext() {
  return found_.empty() ? previous_ : this;
}

bool CLostRecoveryPartitionDeviceSelectController::Next() {
  return wholeDisk_ != 0 ? ScanWholeDisk() : ScanChosenPartition();
}

bool CLostRecoveryPartitionDeviceSelectController::ScanChosenPartition() {
  CDeviceSelectCtrl* view = page_ != nullptr ? &page_->DeviceCtrl() : nullptr;
  const int selected = view != nullptr ? view->GetCurSel() : -1;
  if (selected < 0 || view->GetItemData(selected) == nullptr) {
    InformOfFoundPartitions(env_.prompter, page_, LoadAppString(143));
    return false;
  }
  auto* record = static_cast<LostPartitionRecord*>(view->GetItemData(selected));
  chosen_ = -1;
  for (std::size_t i = 0; i < found_.size(); ++i) {
    if (&found_[i].record == record) {
      chosen_ = static_cast<int>(i);
    }
  }
  if (chosen_ < 0 || record->partitionDevice == nullptr) {
    return false;
  }
  LogBuildDirectory(selected);
  CFileNode* tree = nullptr;
  bool stopped = false;
  {
    CTreeBuildProgress progress(env_.prompter, page_->window());
    tree = BuildLostPartitionTree(*record, &progress, env_.settings);
    stopped = progress.IsStopped();
  }
  if (tree == nullptr) {
    LogRecoveryMode(4);
    InformOfFoundPartitions(env_.prompter, page_, LoadAppString(61248));
    return false;
  }
  // What a stopped build gathered is still shown, but the user is told
  // that more may be on the partition.
  if (stopped) {
    InformOfFoundPartitions(
        env_.prompter, page_,
        QCoreApplication::translate("CLostRecoveryPartitionDeviceSelectController",
                                    "The build was stopped: the files shown may be incomplete."));
  }
  CFileNode* root = CreateScanRoot();
  root->AddChild(tree);
  static_cast<CFileSystemNode*>(root)->UpdateSelectionSummary();
  if (g_showFullScanHint) {
    CHasCheckboxPromptDlg hint(LoadAppString(61250), page_);
    // Nobody can answer without a screen (the same rule as the prompter).
    if (!qEnvironmentVariableIsSet("QUENMARK_NONINTERACTIVE")) {
      hint.exec();
    }
    g_showFullScanHint = hint.IsChecked() == 0;
  }
  if (CountTreeFiles(root) == 0) {
    DeleteFileTree(root);
    InformOfFoundPartitions(env_.prompter, page_, LoadAppString(61248));
    return true;
  }
  HandTreeToFileSelection(env_, this, root);
  return true;
}

bool CLostRecoveryPartitionDeviceSelectController::ScanWholeDisk() {
  chosen_ = -1;
  auto* disk = static_cast<CScanStateRecord*>(env_.steps.lostDisk->Chosen());
  if (disk == nullptr || disk->device == nullptr) {
    return false;
  }
  SearchControllerList controllers;
  std::unique_ptr<CRawFileCollection> store = PrepareScanControllers(controllers);
  ScanTarget target;
  target.imageFile = disk->GetKind() != CScanStateRecord::kKindDisk;
  target.name = disk->GetImagePath();
  LogDiskScanTarget(target, false);
  QWidget* owner = page_ != nullptr ? page_->window() : nullptr;
  std::vector<CSearchedPartitionInfo*> partitions;
  RunIntelligentSearchUnderDialog(disk->device, controllers, partitions, owner, env_.prompter,
                                  env_.settings.nRecoveryMode);
  if (partitions.empty()) {
    LogInfo("%s", "Rvp-Do Not SearchedPartitionInfo");
    LogRecoveryMode(11);
    CFileNode* root = CreateScanRoot();
    BuildRawFileTree(store.get(), disk->device, root, owner, env_.prompter);
    static_cast<CFileSystemNode*>(root)->UpdateSelectionSummary();
    store.reset();
    controllers.clear();
    if (CountTreeFiles(root) == 0) {
      DeleteFileTree(root);
      InformOfFoundPartitions(env_.prompter, page_, LoadAppString(61248));
      return true;
    }
    HandTreeToFileSelection(env_, StepBeforeNext(), root);
    return true;
  }
  IScanPartitionStep& scan = *env_.steps.lostScan;
  scan.SetPrevController(StepBeforeNext());
  scan.SetScanInput(partitions, controllers, std::move(store));
  if (env_.settings.bPageOption != 0) {
    scan.Activate();
  } else {
    scan.Next();
    scan.Leave();
  }
  return true;
}

} // namespace qm
