// The deleted-file road after its volume page: the volume's tree built by
// the engine its file system names, the "Deleted Files" tree made from it,
// and the file-select step with that tree.
#include <array>
#include <cstring>

#include "app/log_report.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "app/zorv_app.h"
#include "dialogs/small_dialogs.h"
#include "dialogs/tree_build_runner.h"
#include "filemodel/file_filter.h"
#include "filemodel/file_system_node.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "storage/device_collection.h"
#include "storage/volume_names.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/services/found_tree.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/steps/device_step_hand_on.h"
#include "wizard/steps/step_handoffs.h"

namespace qm {
namespace {

// The file states the deleted-files tree keeps: deleted, lost, cross-linked.
constexpr std::uint32_t kDeletedStates = 7;

ScanTarget DeletedScanTargetOf(const DeviceListItem& volume) {
  ScanTarget target;
  target.imageFile = volume.sourceFlag != 0;
  target.name = volume.imagePath;
  target.driveLetter = volume.driveLetter;
  target.label.assign(volume.volumeLabel, strnlen(volume.volumeLabel, sizeof volume.volumeLabel));
  target.fileSystemType = volume.fileSystemType;
  return target;
}

void DropTrees(CDeleteRecoveryPartitionDeviceSelectController& from, CFileSystemNode* root,
               AppSettings& settings) {
  if (settings.pTreeRoot == root) settings.pTreeRoot = nullptr;
  FreeFileTree(root);
  from.FreeSearchedTree();
}

} // namespace

bool HandOnDeletedFileVolume(CDeleteRecoveryPartitionDeviceSelectController& from, DeviceListItem& volume) {
  const StepEnvironment& env = from.Env();
  AppSettings& settings = env.settings;
  QWidget* page = from.GetPage();
  CFileSystemNode* root = MakeRootNode();
  LogPartitionScanTarget(DeletedScanTargetOf(volume), true);
  if (volume.fileSystemType == 4 || volume.fileSystemType == 5) settings.pTreeRoot = root;

  std::array<char, 32> name{};
  GetVolumeFileSystemName(volume.fileSystemType, name.data(), name.size());
  CTreeBuildRunner runner(page != nullptr ? page->window() : nullptr, settings, &env.prompter);
  CFileNode* searched = runner.BuildByName(name.data(), volume.device.get());
  if (runner.IsStopped()) {
    DropTrees(from, root, settings);
    LogRecoveryMode(3);
    ReportUsageEvent(8197);
    return false;
  }
  from.SetSearchedTree(searched);
  if (searched != nullptr) {
    LogRecoveryMode(5);
    CFileStateFilter filter(kDeletedStates);
    CFileSystemNode* deleted = BuildDeletedFilesTree(searched, filter);
    root->AddChild(deleted);
    std::uint64_t base = 0;
    std::uint32_t sectorsPerCluster = 0;
    deleted->GetVolumeGeometry(&base, &sectorsPerCluster);
    root->SetVolumeGeometry(base, sectorsPerCluster);
    root->SetVolumeState(deleted->GetVolumeState());
    MarkSharedProperties(root);
    root->UpdateSelectionSummary();
  }
  LogRecoveryMode(4);
  SelectionSummary summary;
  root->GetSelectionSummary(&summary);
  if (summary.files == 0) {
    DropTrees(from, root, settings);
    env.prompter.Inform(page, LoadAppString(61249), ProgramTitle(), PromptIcon::Information);
    return true;
  }
  ReportUsageEvent(8198);
  if (from.ShowsHint()) {
    CHasCheckboxPromptDlg hint(LoadAppString(396), page);
    hint.exec();
    from.SetShowsHint(hint.IsChecked() == 0);
  }
  IFileSelectStep& next = *env.steps.fileSelect;
  next.SetPrevController(&from);
  next.SetTree(root);
  next.Activate();
  return true;
}

} // namespace qm
