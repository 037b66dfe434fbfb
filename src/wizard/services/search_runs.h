// The long searches of the complete and partition roads, each under its
// dialog: the intelligent sweep on a worker while its dialog runs modally,
// the lost-partition search while its dialog is shown, and the build of the
// carved files' tree. Every worker is stopped and joined before its results
// are read or its dialog goes, however the dialog ended.
#pragma once

#include <memory>
#include <vector>

#include "ntfs/search_controller.h"
#include "storage/partition_search_callbacks.h"

class CFileNode;
class CRawFileCollection;
class IStorageDevice;
class QWidget;

struct AppSettings;
struct CScanStateRecord;

namespace qm {

class CIntelligentSearchingDialog;
class Prompter;

// The sweep of `device` by the list's controllers into `partitions`
// (weighed, sorted and ranked), under the "Intelligent Searching" dialog.
// `onShown` (tests, pictures) runs once the dialog is up.
void RunIntelligentSearchUnderDialog(IStorageDevice* device, SearchControllerList& controllers,
                                     std::vector<CSearchedPartitionInfo*>& partitions, QWidget* parent,
                                     Prompter& prompter, int recoveryMode,
                                     const std::function<void(CIntelligentSearchingDialog&)>& onShown = {});

// The controllers of a scan by the settings (FAT, NTFS and EXT2 unless RAW
// only; carving when on), sharing one new carved-file collection.
std::unique_ptr<CRawFileCollection> PrepareScanControllers(SearchControllerList& controllers);

// The "Raw Files" tree of the collection's carved files, hung under root
// (under the build window). False when the user stopped it.
bool BuildRawFileTree(CRawFileCollection* store, IStorageDevice* device, CFileNode* root, QWidget* mainWindow,
                      Prompter& prompter);

// A "Root" node for the trees of one scan.
CFileNode* CreateScanRoot();
// The number of files below root (folders not counted).
std::uint32_t CountTreeFiles(CFileNode* root);

// Frees every found partition of the list and empties it.
void FreeFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions);

// The lost-partition search over a disk with the FAT, NTFS and EXT2
// checkers, under the "Quick Partition Searching" dialog; the finds that the
// disk's current table still holds are dropped (their devices destroyed).
class CLostPartitionFilter {
public:
  CLostPartitionFilter(QWidget* mainWindow, Prompter& prompter)
      : mainWindow_(mainWindow), prompter_(prompter) {}
  void Search(CScanStateRecord& disk, std::vector<LostPartitionRecord>& out);
  void FilterExisting(CScanStateRecord& disk, std::vector<LostPartitionRecord>& out);

  // Tests and pictures: called once the dialog is shown.
  std::function<void(QWidget&)> onShown;

private:
  QWidget* mainWindow_;
  Prompter& prompter_;
};

} // namespace qm
