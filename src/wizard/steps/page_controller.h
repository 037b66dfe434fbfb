// The controllers behind the wizard's pages. Every page has one controller
// that holds the logic of its step; the sheet knows only its sheet
// controller, which hands each button to the controller of the page on
// show. Each controller remembers the one before it on the road the user
// took: Back and Home walk that chain.
#pragma once

struct AppSettings;
class IDIRBuildCallback;
class IRSData;
class QWidget;

namespace qm {

// Page indices of the sheet.
enum WIZARD_PAGE : int {
  kPageRecoveryMode = 0,
  kPageDeleteRecoveryDevice = 1,
  kPageCompleteRecoveryDevice = 2,
  kPageLostRecoveryDisk = 3,
  kPageLostRecoveryPartition = 4,
  kPageSaveResult = 5,
  kPageSaveFile = 6,
  kPageCompleteRecoveryScanPartition = 7,
  kPageLostRecoveryScanPartition = 8,
  kPageFileSelect = 9,
  kPageTypeOfFile = 10,
  kPageCount = 11,
};

// The advanced settings over `settings`, modal, on their first page;
// `allowRawOnly` offers the choice of RAW files only.
void RunAdvancedSettings(bool allowRawOnly, QWidget* parent, AppSettings& settings);

struct StateVariant {
  int kind = 0; // 0 disk record, 1 volume record, 2 found partition
  void* pointer = nullptr;
};

class IWizardPageController {
public:
  virtual ~IWizardPageController() = default;

  virtual void Activate() = 0;
  virtual void Home() = 0;
  virtual void Back() = 0;
  virtual bool Next() = 0;
  virtual void SetPrevController(IWizardPageController* previous) = 0;
  virtual IWizardPageController* GetPrevController() = 0;
  // The advanced settings, modal, on their first page, without the choice
  // of RAW files only; over the program's settings unless the step has
  // settings of its own (every step the context makes has).
  virtual void ShowAdvancedSettings();
  virtual int GetStateTypeId() { return 6; }
  virtual int GetSearchKind() { return 3; }
  virtual StateVariant* GetDeviceSelection(StateVariant* out) {
    out->kind = 0;
    out->pointer = nullptr;
    return out;
  }
  // Releases what the step built (Back and Home).
  virtual void Leave() {}
  // What the step keeps in a state file, and how it takes it back; the
  // progress callback may be null. Steps that keep nothing succeed.
  virtual int SaveState(IRSData* /*writer*/, IDIRBuildCallback* /*progress*/) { return 1; }
  virtual bool LoadState(IRSData* /*reader*/, IDIRBuildCallback* /*progress*/) { return true; }
};

// The controller of the found-partition step (page 4): its page tells it
// whether the whole disk is to be scanned instead of a chosen partition.
// The page's rows carry the found partitions (LostPartitionRecord).
class ILostRecoveryPartitionDeviceSelectController : public IWizardPageController {
public:
  virtual void SetWholeDiskScan(int wholeDisk) = 0;
};

class IWizardSheetController {
public:
  virtual ~IWizardSheetController() = default;
  virtual void Home() = 0;
  virtual void Back() = 0;
  virtual bool Next() = 0;
  virtual void ShowHelp(int language) = 0;
};

class CWizardSheet;

// Hands the sheet's buttons to the controller of the page on show.
class CWizardSheetController : public IWizardSheetController {
public:
  void SetWizardSheet(CWizardSheet* sheet);
  void Home() override;
  void Back() override;
  bool Next() override;
  void ShowHelp(int language) override;

private:
  IWizardPageController* ActiveController() const;

  CWizardSheet* sheet_ = nullptr;
};

} // namespace qm
