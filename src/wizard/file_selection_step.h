// Where the complete and partition roads hand their trees on: the
// file-selection step (page 9). It owns the tree it is given, keeps it in
// the state file and takes it back from there.
#pragma once

#include "wizard/page_controller.h"

class CFileNode;

namespace qm {

class CFileSelectionStep : public IWizardPageController {
public:
  ~CFileSelectionStep() override;

  void Activate() override;
  void Home() override;
  void Back() override;
  bool Next() override { return false; }
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetStateTypeId() override { return 5; }
  int GetSearchKind() override { return previous_ != nullptr ? previous_->GetSearchKind() : 3; }
  StateVariant* GetDeviceSelection(StateVariant* out) override;
  void Leave() override;
  int SaveState(IRSData* writer, IDIRBuildCallback* progress) override;
  bool LoadState(IRSData* reader, IDIRBuildCallback* progress) override;

  // Takes the tree over and saves the recovery states of the road.
  void SetTree(CFileNode* root);
  CFileNode* GetTree() const { return root_; }

private:
  IWizardPageController* previous_ = nullptr;
  CFileNode* root_ = nullptr;
};

} // namespace qm
