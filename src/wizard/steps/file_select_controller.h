// The controller of the file-select step (page 9): it receives the tree a
// road built (file_select_hand_on.h), shows it on its page, and on Next
// hands the ticked files on to the save step (step_handoffs.h).
#pragma once

#include <QtCore/QElapsedTimer>

#include <cstdint>

#include "wizard/steps/page_controller.h"
#include "wizard/steps/step_environment.h"
#include "wizard/steps/step_handoffs.h"

class CFileNode;
class IStorageDevice;

namespace qm {

class CFileSelectPage;

// The device a road's selection reads from: the chosen disk's or volume's
// device, or the window a found partition is read through; null when the
// selection has none.
IStorageDevice* SourceDeviceOf(const StateVariant& selection);

class CFileSelectController : public IFileSelectStep {
public:
  explicit CFileSelectController(const StepEnvironment& env) : env_(env) {}
  static CFileSelectController* GetInstance();

  void SetPage(CFileSelectPage* page) { page_ = page; }
  CFileSelectPage* GetPage() const { return page_; }

  void Activate() override;
  void Home() override;
  void Back() override;
  bool Next() override;
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetStateTypeId() override { return 5; }
  int GetSearchKind() override;
  StateVariant* GetDeviceSelection(StateVariant* out) override;
  // The page lets go of its tree.
  void Leave() override;
  // The shown tree goes into the road's state file and comes back from it.
  int SaveState(IRSData* writer, IDIRBuildCallback* progress) override;
  bool LoadState(IRSData* reader, IDIRBuildCallback* progress) override;

  // The tree to show (a "Root" file-system node whose children are the
  // scanned volumes' trees); the page owns it from here on.
  void SetTree(CFileNode* root) override;
  CFileNode* GetTree() const { return root_; }
  // Where the files' data is read from (previews, saving).
  IStorageDevice* GetSourceDevice() override;
  void ShowAdvancedSettings() override;
  // What the context gave the step when it made it.
  const StepEnvironment& Env() const { return env_; }

private:
  const StepEnvironment& env_;
  CFileSelectPage* page_ = nullptr;
  CFileNode* root_ = nullptr;
  IWizardPageController* previous_ = nullptr;
  QElapsedTimer activated_;
};

} // namespace qm
