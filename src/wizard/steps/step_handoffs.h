// The steps as the steps before them on a road see them: what each one
// takes over when the road moves on to it. The context hands the steps out
// by these (WizardSteps), so a step moves the road on without knowing the
// next step's controller.
#pragma once

#include <memory>
#include <vector>

#include "ntfs/search_controller.h"
#include "wizard/steps/file_select_step.h"
#include "wizard/steps/page_controller.h"
#include "wizard/steps/save_file_step.h"

class CFileNode;
class CFileSystemNode;
class CRawFileCollection;
class CSearchedPartitionInfo;
class IStorageDevice;
struct LostPartitionRecord;

namespace qm {

// The file-select step: takes the tree a road built.
class IFileSelectStep : public IFileSelectController {
public:
  // The tree to show (a "Root" file-system node whose children are the
  // scanned volumes' trees); the page owns it from here on.
  virtual void SetTree(CFileNode* root) = 0;
};

// The save step: takes the files the file-select step hands on.
class ISaveFileStep : public ISaveFileController {
public:
  // The "Root" node whose file-system children hold the checked files, and
  // the device they are read from.
  virtual void SetFileSelection(CFileSystemNode* root, IStorageDevice* source) = 0;
};

// The found-partition step of the partition road: takes what the search
// for lost partitions found on the chosen disk.
class ILostPartitionStep : public ILostRecoveryPartitionDeviceSelectController {
public:
  // Takes the finds over (their devices with them), lists them and saves
  // the state files; the result of the save.
  virtual int SetFoundPartitions(std::vector<LostPartitionRecord>& found) = 0;
};

// The partition steps of the complete and partition roads: take a sweep's
// results.
class IScanPartitionStep : public IWizardPageController {
public:
  // Takes the sweep's results over (the given lists are emptied), lists
  // them and saves the state files.
  virtual void SetScanInput(std::vector<CSearchedPartitionInfo*>& partitions, SearchControllerList& controllers,
                            std::unique_ptr<CRawFileCollection> store) = 0;
};

} // namespace qm
