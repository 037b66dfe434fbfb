// The controllers of the three first device steps (deleted-file volumes,
// complete-recovery volumes and images, partition-recovery disks). Each
// fills its page's device view on a worker (the collector), keeps the disk
// images the user added, and on Next takes the chosen device and hands it to
// its road (device_step_hand_on.h). Their step before is the file-type step,
// whose page is never left standing: Back goes on to the start page.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QString>

#include <memory>
#include <string>

#include "wizard/services/device_list_collection.h"
#include "wizard/steps/device_step.h"
#include "wizard/steps/page_controller.h"
#include "wizard/steps/step_environment.h"

class CDeviceCollector;
class CFileNode;
class QWidget;

namespace qm {

class CDeviceListPage;

class CDeviceStepController : public IDeviceStepController {
public:
  CDeviceStepController(const StepEnvironment& env, WIZARD_PAGE page, int searchKind, DeviceRoad road);
  ~CDeviceStepController() override;

  void SetPage(CDeviceListPage* page) { page_ = page; }
  CDeviceListPage* GetPage() const { return page_; }
  WIZARD_PAGE Page() const { return pageIndex_; }
  // What the context gave the step when it made it.
  const StepEnvironment& Env() const { return env_; }
  DeviceRoad Road() const { return road_; }

  void Activate() override;
  void Home() override;
  void Back() override;
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetSearchKind() override { return searchKind_; }
  StateVariant* GetDeviceSelection(StateVariant* out) override;
  // Waits for a collection still running and forgets the machine's devices.
  void Leave() override;
  // The advanced settings, RAW-only allowed.
  void ShowAdvancedSettings() override;

  // The device-list operations of the page.
  void CollectDevices() override;
  // Images the selected device (the imaging wizard, when there is one).
  void CreateImage() override;
  // Asks for an image file (the open-image wizard when there is one) and
  // adds it to the list.
  void OpenImage() override;
  // Asks for an image file in a file dialog and adds it to the list; a
  // compressed image and a raw one are told apart by their content.
  void OpenImageFile() override;
  // Removes the selected image from the list.
  void RemoveImage() override;
  // The selected row's record becomes the picked one; false for none.
  bool SelectCurrent() override;
  bool IsImageSelected() override;
  bool IsPreviousRecoverySelected() const override;
  // Pages 2 and 3: -1 for no selection, 0 when the selected row is a
  // device (nothing removed), else the previous-recovery entry and its
  // state file are removed and the deletion's result returned.
  int RemovePreviousRecovery() override;

  // The collector of the page's view (made with the first collection).
  CDeviceCollector* Collector() const { return collector_.get(); }
  void* Picked() const { return picked_; }
  void* Chosen() const override { return chosen_; }

protected:
  // The selected record for Next; shows `noSelection` when nothing is
  // selected. Sets `previousRecovery` when the selection is the entry of
  // the previous search.
  bool TakeSelection(unsigned noSelectionString, bool& previousRecovery);
  void ChooseVolume(DeviceListItem* volume);
  void Inform(unsigned stringId);
  QWidget* PageWindow() const;
  // The file dialog of the image commands; empty when cancelled.
  QString ChooseImageFile(const QString& caption);
  std::uint32_t MsSinceActivate() const;

  const StepEnvironment& env_;
  void* chosen_ = nullptr;

private:
  CDeviceCollector& EnsureCollector();

  WIZARD_PAGE pageIndex_;
  int searchKind_;
  DeviceRoad road_;
  CDeviceListPage* page_ = nullptr;
  IWizardPageController* previous_ = nullptr;
  std::unique_ptr<CDeviceCollector> collector_;
  void* picked_ = nullptr;
  QElapsedTimer activated_;
  bool firstActivation_ = true;
};

class CDeleteRecoveryPartitionDeviceSelectController : public CDeviceStepController {
public:
  explicit CDeleteRecoveryPartitionDeviceSelectController(const StepEnvironment& env)
      : CDeviceStepController(env, kPageDeleteRecoveryDevice, 0, DeviceRoad::kDeletedFile) {}
  ~CDeleteRecoveryPartitionDeviceSelectController() override;
  static CDeleteRecoveryPartitionDeviceSelectController* GetInstance();
  void Activate() override;
  bool Next() override;
  void Leave() override;

  // The tree the volume's build gave (the deleted-files tree shares its
  // files' properties); freed by the next Activate, Leave or failed Next.
  void SetSearchedTree(CFileNode* tree);
  CFileNode* SearchedTree() const { return searchedTree_; }
  void FreeSearchedTree();
  // Whether the hint about format recovery is still shown after a search.
  bool ShowsHint() const { return showHint_; }
  void SetShowsHint(bool show) { showHint_ = show; }

private:
  CFileNode* searchedTree_ = nullptr;
  bool showHint_ = true;
};

class CCompleteRecoveryPartitionDeviceSelectController : public CDeviceStepController {
public:
  explicit CCompleteRecoveryPartitionDeviceSelectController(const StepEnvironment& env)
      : CDeviceStepController(env, kPageCompleteRecoveryDevice, 1, DeviceRoad::kComplete) {}
  static CCompleteRecoveryPartitionDeviceSelectController* GetInstance();
  int GetStateTypeId() override { return 0; }
  bool Next() override;
  // Asks for an image file and scans it without adding it to the list
  // (Ctrl+O on this page).
  void OpenRawImageFile() override;
  int SaveState(IRSData* writer, IDIRBuildCallback* progress) override;
  bool LoadState(IRSData* reader, IDIRBuildCallback* progress) override;

private:
  // An image the list does not hold (opened with Ctrl+O, or reopened by a
  // restore): the chosen record, owned here.
  std::unique_ptr<DeviceListItem> rawImage_;
};

class CLostRecoveryDiskDeviceSelectController : public CDeviceStepController {
public:
  explicit CLostRecoveryDiskDeviceSelectController(const StepEnvironment& env)
      : CDeviceStepController(env, kPageLostRecoveryDisk, 2, DeviceRoad::kPartition) {}
  static CLostRecoveryDiskDeviceSelectController* GetInstance();
  int GetStateTypeId() override { return 2; }
  bool Next() override;
  int SaveState(IRSData* writer, IDIRBuildCallback* progress) override;
  bool LoadState(IRSData* reader, IDIRBuildCallback* progress) override;

private:
  // An image disk reopened by a restore, owned here.
  std::unique_ptr<CScanStateRecord> restoredImage_;
};

} // namespace qm
