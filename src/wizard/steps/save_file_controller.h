// The step that saves the chosen files: it checks the folder the user
// picked (it must take new files, lie off the volume being recovered from,
// be NTFS for encrypted files and have room), copies the files under the
// recovering window, keeps the counts and the folders made, and moves on
// to the result.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/recovering_dlg.h"
#include "wizard/steps/page_controller.h"
#include "wizard/steps/step_environment.h"
#include "wizard/steps/step_handoffs.h"

class CFileSystemNode;
class IStorageDevice;

namespace qm {

class CSaveFilePage;

class CSaveFileController : public ISaveFileStep {
public:
  explicit CSaveFileController(const StepEnvironment& env) : env_(env) {}
  static CSaveFileController* GetInstance();

  void SetPage(CSaveFilePage* page) { page_ = page; }
  CSaveFilePage* GetPage() const { return page_; }

  // What the file-select step hands on: the "Root" node whose file-system
  // children hold the checked files, and the device they are read from.
  // The page shows how much is selected.
  void SetFileSelection(CFileSystemNode* root, IStorageDevice* source) override;
  CFileSystemNode* GetFileSelection() const { return root_; }
  IStorageDevice* GetSourceDevice() const { return source_; }

  // Shows the save-path dialog over the current page (page 6).
  void Activate() override;
  void Home() override;
  void Back() override;
  bool Next() override;
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetSearchKind() override { return previous_ != nullptr ? previous_->GetSearchKind() : 3; }
  StateVariant* GetDeviceSelection(StateVariant* out) override;

  bool ValidateTargetFolder() override;
  void ShowAdvancedSettings() override;
  std::uint64_t GetSelectedCount() override { return outcome_.selected; }
  std::uint64_t GetRecoveredCount() override { return outcome_.Recovered(); }
  std::string GetCreatedFolder(int index) override;
  int GetCreatedFolderCount() override { return static_cast<int>(created_.size()); }
  // How the last copy ended.
  const RecoveryOutcome& Outcome() const override { return outcome_; }
  const std::string& LastTarget() const override { return target_; }

  // Runs on each recovering window before it opens (tests stop a run).
  void SetRecoveringHook(std::function<void(CRecoveringDlg&)> hook) { hook_ = std::move(hook); }

private:
  const StepEnvironment& env_;
  CSaveFilePage* page_ = nullptr;
  CFileSystemNode* root_ = nullptr;
  IStorageDevice* source_ = nullptr;
  IWizardPageController* previous_ = nullptr;
  RecoveryOutcome outcome_;
  std::vector<std::string> created_;
  std::string target_;
  std::function<void(CRecoveringDlg&)> hook_;
};

} // namespace qm
