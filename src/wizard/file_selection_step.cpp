#include "wizard/file_selection_step.h"

#include "app/log_report.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/scan_result_sections.h"
#include "wizard/scan_partition_controllers.h"
#include "wizard/search_runs.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"
#include "wizard/wizard_state_files.h"

namespace qm {

CFileSelectionStep::~CFileSelectionStep() { Leave(); }

void CFileSelectionStep::Activate() {
  if (root_ != nullptr) {
    WizardContext::instance()->sheet().SetActivePage(kPageFileSelect);
  }
}

void CFileSelectionStep::Home() {
  Leave();
  if (previous_ != nullptr) {
    previous_->Home();
  }
}

void CFileSelectionStep::Back() {
  Leave();
  if (previous_ != nullptr) {
    previous_->Activate();
  }
}

StateVariant* CFileSelectionStep::GetDeviceSelection(StateVariant* out) {
  return previous_ != nullptr ? previous_->GetDeviceSelection(out)
                              : IWizardPageController::GetDeviceSelection(out);
}

void CFileSelectionStep::Leave() {
  DeleteFileTree(root_);
  root_ = nullptr;
}

void CFileSelectionStep::SetTree(CFileNode* root) {
  if (root != root_) {
    Leave();
  }
  root_ = root;
  LogRecoveryMode(6);
  if (GetSearchKind() == 1 || GetSearchKind() == 2) {
    SaveRecoveryStatesWithProgress(*this, 1);
  }
}

int CFileSelectionStep::SaveState(IRSData* writer, IDIRBuildCallback* progress) {
  return WriteFileTreeSection(root_, writer, progress);
}

bool CFileSelectionStep::LoadState(IRSData* reader, IDIRBuildCallback* progress) {
  Leave();
  root_ = ReadFileTreeSection(reader, progress);
  if (root_ == nullptr) {
    return false;
  }
  // The stored root is a file-system node; it takes the generic "Root"
  // properties a fresh scan gives its root.
  CFileNode* fresh = CreateScanRoot();
  delete root_->GetProperties();
  root_->SetProperties(fresh->GetProperties());
  fresh->SetProperties(static_cast<IFileProperties*>(nullptr));
  DeleteFileTree(fresh);
  return true;
}

void HandTreeToFileSelection(IWizardPageController* previous, CFileNode* root) {
  CFileSelectionStep& step = *WizardContext::instance()->fileSelectionStep();
  step.SetPrevController(previous);
  step.SetTree(root);
  step.Activate();
}

} // namespace qm
