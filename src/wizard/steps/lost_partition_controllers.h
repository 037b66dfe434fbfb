// Page 4's step: the partitions the lost-partition search found on the
// chosen disk and no longer in its table. Next builds the tree of the one
// the user picked by its file system, or, with Full Scan ticked (or when
// the search found nothing), sweeps the whole disk like complete recovery.
#pragma once

#include <QtCore/QElapsedTimer>

#include <vector>

#include "filemodel/scan_result_sections.h"
#include "wizard/steps/page_controller.h"
#include "wizard/steps/step_environment.h"
#include "wizard/steps/step_handoffs.h"

struct AppSettings;
class CFileNode;

namespace qm {

class CLostRecoveryPartitionDeviceSelectPage;

class CLostRecoveryPartitionDeviceSelectController : public ILostPartitionStep {
public:
  explicit CLostRecoveryPartitionDeviceSelectController(const StepEnvironment& env) : env_(env) {}
  ~CLostRecoveryPartitionDeviceSelectController() override;
  static CLostRecoveryPartitionDeviceSelectController* GetInstance();

  void SetPage(CLostRecoveryPartitionDeviceSelectPage* page) { page_ = page; }
  CLostRecoveryPartitionDeviceSelectPage* GetPage() const { return page_; }

  void Activate() override;
  void Home() override;
  void Back() override;
  bool Next() override;
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetStateTypeId() override { return 3; }
  int GetSearchKind() override { return previous_ != nullptr ? previous_->GetSearchKind() : 3; }
  StateVariant* GetDeviceSelection(StateVariant* out) override;
  void Leave() override;
  int SaveState(IRSData* writer, IDIRBuildCallback* progress) override;
  bool LoadState(IRSData* reader, IDIRBuildCallback* progress) override;
  void SetWholeDiskScan(int wholeDisk) override { wholeDisk_ = wholeDisk; }
  // The advanced settings with RAW files only allowed, as on the device pages.
  void ShowAdvancedSettings() override;

  // Takes the finds over (their devices with them), lists them and saves
  // the state files; the result of the save.
  int SetFoundPartitions(std::vector<LostPartitionRecord>& found) override;
  const PartitionWindowList& Found() const { return found_; }
  int WholeDiskScan() const { return wholeDisk_; }
  // What the context gave the step when it made it.
  const StepEnvironment& Env() const { return env_; }

  // The two scans of Next.
  bool ScanChosenPartition();
  bool ScanWholeDisk();

private:
  void FillPage();
  // The step before the file page or the scan page: this one when its
  // page was shown (it has finds), else the disk step.
  IWizardPageController* StepBeforeNext();

  const StepEnvironment& env_;
  CLostRecoveryPartitionDeviceSelectPage* page_ = nullptr;
  IWizardPageController* previous_ = nullptr;
  PartitionWindowList found_;
  int chosen_ = -1;
  int wholeDisk_ = 0;
};

// The tree of a found partition by its file-system code (0, 1 and above 5
// FAT without FAT32, 2 FAT32, 3 NTFS, 4 and 5 EXT2) through its window;
// null when none was built.
CFileNode* BuildLostPartitionTree(const LostPartitionRecord& record, IDIRBuildCallback* callback,
                                  const AppSettings& settings);

} // namespace qm
