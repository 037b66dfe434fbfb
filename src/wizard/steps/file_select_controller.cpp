#include "wizard/steps/file_select_controller.h"

#include <QtWidgets/QApplication>

#include "app/log_report.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "app/zorv_app.h"
#include "filemodel/file_system_node.h"
#include "filemodel/scan_result_sections.h"
#include "filemodel/scan_state_store.h"
#include "storage/app_settings.h"
#include "storage/device_collection.h"
#include "storage/partition_search_callbacks.h"
#include "wizard/pages/file_select_page.h"
#include "wizard/services/search_runs.h"
#include "wizard/services/wizard_state_files.h"

namespace qm {
namespace {

// The chosen files go to the save step: it gets the tree (its
// SetFileSelection), this step as its step before, and is activated.
bool HandOnFileSelection(CFileSelectController& from, CFileNode* root) {
  if (root == nullptr || !root->IsFileSystemNode()) return false;
  ISaveFileStep& save = *from.Env().steps.saveFile;
  save.SetFileSelection(static_cast<CFileSystemNode*>(root), from.GetSourceDevice());
  save.SetPrevController(&from);
  save.Activate();
  return true;
}

// The wizard's state files once a complete or partition scan has given its
// tree (the deleted-file road keeps none).
void SaveStatesAfterTree(CFileSelectController& from) {
  const int kind = from.GetSearchKind();
  if (kind != 1 && kind != 2) return;
  // The steps' records are written on a worker while events are pumped:
  // the sheet's commands must not run meanwhile (Home frees what the worker
  // reads, Next could start another search inside the pump).
  const StepEnvironment& env = from.Env();
  SaveRecoveryStatesWithProgress(from, 1, env.navigator.Window(), env.prompter);
}

} // namespace

IStorageDevice* SourceDeviceOf(const StateVariant& selection) {
  if (selection.pointer == nullptr) return nullptr;
  switch (selection.kind) {
  case 0:
    return static_cast<CScanStateRecord*>(selection.pointer)->device;
  case 1:
    return static_cast<DeviceListItem*>(selection.pointer)->device.get();
  case 2:
    return static_cast<LostPartitionRecord*>(selection.pointer)->partitionDevice;
  default:
    return nullptr;
  }
}

void CFileSelectController::Activate() {
  activated_.start();
  if (root_ != nullptr) env_.navigator.SetActivePage(kPageFileSelect);
}

void CFileSelectController::Home() {
  Leave();
  static constexpr int kEvents[] = {8211, 8232, 8260};
  const int mode = env_.settings.nRecoveryMode;
  if (mode >= 0 && mode <= 2) ReportUsageEvent(kEvents[mode]);
  if (previous_ != nullptr) previous_->Home();
}

void CFileSelectController::Back() {
  if (!env_.prompter.AskYesNo(page_, LoadAppString(138), ProgramTitle(), false)) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Leave();
  if (previous_ != nullptr) previous_->Activate();
  QApplication::restoreOverrideCursor();
}

void CFileSelectController::Leave() {
  AppSettings& settings = env_.settings;
  if (settings.pTreeRoot != nullptr && settings.pTreeRoot == root_) settings.pTreeRoot = nullptr;
  if (page_ != nullptr) page_->ReleaseTrees();
  root_ = nullptr;
}

int CFileSelectController::GetSearchKind() { return previous_ != nullptr ? previous_->GetSearchKind() : 3; }

StateVariant* CFileSelectController::GetDeviceSelection(StateVariant* out) {
  if (previous_ != nullptr) return previous_->GetDeviceSelection(out);
  out->kind = 0;
  out->pointer = nullptr;
  return out;
}

IStorageDevice* CFileSelectController::GetSourceDevice() {
  StateVariant selection;
  GetDeviceSelection(&selection);
  return SourceDeviceOf(selection);
}

void CFileSelectController::SetTree(CFileNode* root) {
  root_ = root;
  if (page_ != nullptr) page_->SetRootNode(root);
  LogRecoveryMode(6);
  if (GetSearchKind() != 0) SaveStatesAfterTree(*this);
}

int CFileSelectController::SaveState(IRSData* writer, IDIRBuildCallback* progress) {
  return WriteFileTreeSection(page_ != nullptr ? page_->GetRootNode() : root_, writer, progress);
}

bool CFileSelectController::LoadState(IRSData* reader, IDIRBuildCallback* progress) {
  Leave();
  CFileNode* root = ReadFileTreeSection(reader, progress);
  if (root == nullptr) return false;
  // The stored root is a file-system node; it takes the generic "Root"
  // properties a fresh scan gives its root.
  CFileNode* fresh = CreateScanRoot();
  delete root->GetProperties();
  root->SetProperties(fresh->GetProperties());
  fresh->SetProperties(static_cast<IFileProperties*>(nullptr));
  DeleteFileTree(fresh);
  root_ = root;
  if (page_ != nullptr) page_->SetRootNode(root);
  return true;
}

bool CFileSelectController::Next() {
  static constexpr int kEvents[3][2] = {{8209, 8210}, {8230, 8231}, {8258, 8259}};
  const int mode = env_.settings.nRecoveryMode;
  if (mode >= 0 && mode <= 2) {
    ReportUsageEvent(kEvents[mode][0]);
    ReportTimedUsageEvent(kEvents[mode][1],
                          static_cast<std::uint32_t>(activated_.isValid() ? activated_.elapsed() : 0));
  }
  CFileNode* root = page_ != nullptr ? page_->GetRootNode() : root_;
  SelectionSummary summary;
  if (root != nullptr && root->IsFileSystemNode())
    static_cast<CFileSystemNode*>(root)->GetSelectionSummary(&summary);
  if (summary.checkedFiles < 1) {
    env_.prompter.Inform(page_, LoadAppString(139), ProgramTitle(), PromptIcon::Information);
    return false;
  }
  return HandOnFileSelection(*this, root);
}

void CFileSelectController::ShowAdvancedSettings() { RunAdvancedSettings(false, nullptr, env_.settings); }

} // namespace qm
