// The steps of pages 7 and 8: the partitions a sweep found on a volume or
// image (complete recovery) or on a whole disk (partition recovery). The
// step takes the sweep's controllers, found partitions and carved files
// over, lists the partitions, and on Next builds the trees of up to four
// ticked partitions into one "Root" for the file page. It keeps all three
// in the state file, so a resumed recovery builds without sweeping again.
#pragma once

#include <QtCore/QElapsedTimer>

#include <memory>
#include <vector>

#include "ntfs/search_controller.h"
#include "wizard/steps/page_controller.h"
#include "wizard/steps/step_environment.h"
#include "wizard/steps/step_handoffs.h"

class CFileNode;
class CRawFileCollection;
class CSearchedPartitionInfo;
class IStorageDevice;

namespace qm {

class CScanPartitionDeviceSelectPage;

class CScanPartitionStepController : public IScanPartitionStep {
public:
  static constexpr int kMaxBuilds = 4;

  ~CScanPartitionStepController() override;

  void SetPage(CScanPartitionDeviceSelectPage* page) { page_ = page; }
  CScanPartitionDeviceSelectPage* GetPage() const { return page_; }

  void Activate() override;
  void Home() override;
  void Back() override;
  bool Next() override;
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetSearchKind() override { return previous_ != nullptr ? previous_->GetSearchKind() : 3; }
  StateVariant* GetDeviceSelection(StateVariant* out) override;
  void Leave() override;
  void ShowAdvancedSettings() override;
  // What the context gave the step when it made it.
  const StepEnvironment& Env() const { return env_; }
  int SaveState(IRSData* writer, IDIRBuildCallback* progress) override;
  bool LoadState(IRSData* reader, IDIRBuildCallback* progress) override;

  // Takes the sweep's results over (the given lists are emptied), lists
  // them and saves the state files.
  void SetScanInput(std::vector<CSearchedPartitionInfo*>& partitions, SearchControllerList& controllers,
                    std::unique_ptr<CRawFileCollection> store) override;

  const std::vector<CSearchedPartitionInfo*>& Partitions() const { return partitions_; }
  SearchControllerList& Controllers() { return controllers_; }
  CRawFileCollection* Store() const { return store_.get(); }

protected:
  struct Texts {
    unsigned back, emptyList, noneTicked, tooMany;
    int pageEvent, stopEvent;
  };
  CScanPartitionStepController(const StepEnvironment& env, WIZARD_PAGE page, int stateType, Texts texts);

  const StepEnvironment& env_;

  // The device the partitions lie on.
  virtual IStorageDevice* Device() = 0;
  virtual void FillPage() = 0;

private:
  WIZARD_PAGE pageIndex_;
  int stateType_;
  Texts texts_;
  CScanPartitionDeviceSelectPage* page_ = nullptr;
  IWizardPageController* previous_ = nullptr;
  SearchControllerList controllers_;
  std::vector<CSearchedPartitionInfo*> partitions_;
  std::unique_ptr<CRawFileCollection> store_;
  QElapsedTimer activated_;

public:
  int GetStateTypeId() override { return stateType_; }
};

class CCompleteRecoveryScanPartitionDeviceSelectController : public CScanPartitionStepController {
public:
  explicit CCompleteRecoveryScanPartitionDeviceSelectController(const StepEnvironment& env);
  static CCompleteRecoveryScanPartitionDeviceSelectController* GetInstance();

protected:
  IStorageDevice* Device() override;
  void FillPage() override;
};

class CLostRecoveryScanPartitionDeviceSelectController : public CScanPartitionStepController {
public:
  explicit CLostRecoveryScanPartitionDeviceSelectController(const StepEnvironment& env);
  static CLostRecoveryScanPartitionDeviceSelectController* GetInstance();
  StateVariant* GetDeviceSelection(StateVariant* out) override;

protected:
  IStorageDevice* Device() override;
  void FillPage() override;
};

} // namespace qm
