// The complete road from its device step on (the sweep of the chosen
// volume or image, then the found partitions or the carved files), the
// partition road from its disk step on (the search for lost partitions,
// then the found-partition step), what the two device steps keep in a
// state file, and resuming a previous recovery from it.
#include <QtCore/QFileInfo>

#include <cstring>

#include "app/format_text.h"
#include "app/log_report.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/zorv_app.h"
#include "filemodel/crs_data.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/scan_state_store.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "storage/searched_partition_info.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/services/device_collector.h"
#include "wizard/services/search_runs.h"
#include "wizard/services/tree_build_progress.h"
#include "wizard/services/wizard_state_files.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/steps/device_step_hand_on.h"
#include "wizard/steps/file_select_hand_on.h"
#include "wizard/steps/step_handoffs.h"

namespace qm {
namespace {

std::string TextAt(const CScanStateRecord& record, std::size_t offset, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(record.bytes.data() + offset);
  return std::string(text, strnlen(text, std::min(size, record.bytes.size() - offset)));
}

std::string Quoted(unsigned stringId, const std::string& text) {
  std::string result = LoadAppString(stringId).toStdString() + "\"" + text + "\"";
  if (result.size() > 259) {
    result.resize(259);
  }
  return result;
}

ScanTarget CompleteScanTargetOf(const DeviceListItem& volume) {
  ScanTarget target;
  target.imageFile = volume.sourceFlag != 0;
  if (target.imageFile) {
    const QFileInfo file(QString::fromStdString(volume.imagePath));
    target.name = file.fileName().toStdString();
    target.location = file.absolutePath().toStdString();
  }
  target.driveLetter = volume.driveLetter;
  target.label.assign(volume.volumeLabel, strnlen(volume.volumeLabel, sizeof volume.volumeLabel));
  target.fileSystemType = volume.fileSystemType;
  return target;
}

void InformOfRoad(Prompter& prompter, QWidget* owner, unsigned id) {
  prompter.Inform(owner, LoadAppString(id), ProgramTitle(), PromptIcon::Information);
}

} // namespace

bool HandOnCompleteVolume(CCompleteRecoveryPartitionDeviceSelectController& from, DeviceListItem& volume) {
  const StepEnvironment& env = from.Env();
  AppSettings& settings = env.settings;
  IStorageDevice* device = volume.device.get();
  if (device == nullptr) {
    return false;
  }
  LogPartitionScanTarget(CompleteScanTargetOf(volume), false);
  SearchControllerList controllers;
  std::unique_ptr<CRawFileCollection> store = PrepareScanControllers(controllers);
  settings.bVolumeFlag = volume.kind != 0 ? 1 : 0;
  QWidget* owner = from.GetPage() != nullptr ? from.GetPage()->window() : nullptr;
  std::vector<CSearchedPartitionInfo*> partitions;
  RunIntelligentSearchUnderDialog(device, controllers, partitions, owner, env.prompter,
                                  settings.nRecoveryMode);

  if (partitions.empty()) {
    LogInfo("%s", "Rvp-Do Not SearchedPartitionInfo");
    LogRecoveryMode(11);
    CFileNode* root = CreateScanRoot();
    if (volume.fileSystemType == 4 || volume.fileSystemType == 5) {
      settings.pTreeRoot = root;
    }
    BuildRawFileTree(store.get(), device, root, owner, env.prompter);
    static_cast<CFileSystemNode*>(root)->UpdateSelectionSummary();
    controllers.clear();
    store.reset();
    if (CountTreeFiles(root) == 0) {
      LogRecoveryMode(13);
      if (settings.pTreeRoot == root) {
        settings.pTreeRoot = nullptr;
      }
      DeleteFileTree(root);
      InformOfRoad(env.prompter, from.GetPage(), 61248);
      return false;
    }
    HandTreeToFileSelection(env, &from, root);
    return true;
  }
  IScanPartitionStep& scan = *env.steps.completeScan;
  scan.SetPrevController(&from);
  scan.SetScanInput(partitions, controllers, std::move(store));
  if (settings.bPageOption != 0) {
    scan.Activate();
    return true;
  }
  const bool moved = scan.Next();
  scan.Leave();
  return moved;
}

bool HandOnLostDisk(CLostRecoveryDiskDeviceSelectController& from, CScanStateRecord& disk) {
  ScanTarget target;
  target.imageFile = disk.GetKind() != CScanStateRecord::kKindDisk;
  target.name = disk.GetImagePath();
  LogDiskScanTarget(target, true);
  QWidget* owner = from.GetPage() != nullptr ? from.GetPage()->window() : nullptr;
  std::vector<LostPartitionRecord> found;
  const StepEnvironment& env = from.Env();
  CLostPartitionFilter filter(owner, env.prompter);
  filter.FilterExisting(disk, found);
  ILostPartitionStep& partitions = *env.steps.lostPartition;
  partitions.SetPrevController(&from);
  partitions.SetFoundPartitions(found);
  partitions.Activate();
  return true;
}

int CCompleteRecoveryPartitionDeviceSelectController::SaveState(IRSData* writer, IDIRBuildCallback*) {
  auto* volume = static_cast<DeviceListItem*>(chosen_);
  if (volume == nullptr) {
    return 0;
  }
  std::string text;
  if (volume->sourceFlag != 0) {
    std::string description(volume->description, strnlen(volume->description, sizeof volume->description));
    if (description.empty()) {
      description = QFileInfo(QString::fromStdString(volume->imagePath)).fileName().toStdString();
    }
    text = Quoted(409, description);
  } else {
    const char letter = volume->driveLetter >= 'A' && volume->driveLetter <= 'Z' ? volume->driveLetter : '*';
    const std::string label(volume->volumeLabel, strnlen(volume->volumeLabel, sizeof volume->volumeLabel));
    text = Quoted(408, std::string(1, letter) + ": " + label + " (" +
                           GetFileSystemTypeName(static_cast<unsigned>(volume->fileSystemType)) + ")");
  }
  SetStateText(writer, text);
  CScanStateStore::SaveSearchRecord(*volume, writer);
  return 1;
}

bool CCompleteRecoveryPartitionDeviceSelectController::LoadState(IRSData* reader, IDIRBuildCallback*) {
  chosen_ = nullptr;
  if (Collector() == nullptr) {
    return false;
  }
  // An image is reopened as an item of its own, which this step keeps.
  VolumeList images;
  DeviceListItem* item =
      CScanStateStore::LoadSearchRecord(reader, Collector()->Collection().MutableVolumes(), images);
  if (item != nullptr && !images.empty() && item == &images.back()) {
    rawImage_ = std::make_unique<DeviceListItem>(std::move(images.back()));
    item = rawImage_.get();
  }
  chosen_ = item;
  return item != nullptr;
}

int CLostRecoveryDiskDeviceSelectController::SaveState(IRSData* writer, IDIRBuildCallback*) {
  auto* record = static_cast<CScanStateRecord*>(chosen_);
  if (record == nullptr) {
    return 0;
  }
  const bool image = record->GetKind() != CScanStateRecord::kKindDisk;
  SetStateText(writer, image ? Quoted(409, TextAt(*record, 16, 260)) : Quoted(410, TextAt(*record, 20, 256)));
  CScanStateStore::SaveRecord(*record, writer);
  return 1;
}

bool CLostRecoveryDiskDeviceSelectController::LoadState(IRSData* reader, IDIRBuildCallback*) {
  chosen_ = nullptr;
  if (Collector() == nullptr) {
    return false;
  }
  std::vector<std::unique_ptr<CScanStateRecord>> images;
  CScanStateRecord* record =
      CScanStateStore::LoadRecords(reader, Collector()->Collection().MutableDiskRecords(), images);
  if (record != nullptr && !images.empty() && record == images.back().get()) {
    restoredImage_ = std::move(images.back());
    record = restoredImage_.get();
  }
  chosen_ = record;
  return record != nullptr;
}

IWizardPageController* StepOfStateType(const WizardSteps& steps, int stateType) {
  switch (stateType) {
  case 0:
    return steps.completeDevice;
  case 1:
    return steps.completeScan;
  case 2:
    return steps.lostDisk;
  case 3:
    return steps.lostPartition;
  case 4:
    return steps.lostScan;
  case 5:
    return steps.fileSelect;
  default:
    return nullptr;
  }
}

bool ResumeLastRecovery(const StepEnvironment& env, IWizardPageController& from) {
  auto* device = dynamic_cast<CDeviceStepController*>(&from);
  QWidget* main = device != nullptr && device->GetPage() != nullptr ? device->GetPage()->window() : nullptr;
  IWizardPageController* last = nullptr;
  {
    CTreeBuildProgress progress(env.prompter, main, LoadAppString(311));
    progress.DisableCancel();
    last = RestoreRecoveryStates(from, &progress,
                                 [&env](int stateType) { return StepOfStateType(env.steps, stateType); });
  }
  if (last == nullptr) {
    return false;
  }
  last->Activate();
  return true;
}

} // namespace qm
