// Saving and resuming a complete or partition recovery: the wizard's state
// files. After each stage the wizard writes its chain of steps into the
// temporary state file of its road ("cstemp.rdf" for complete recovery,
// "lpstemp.rdf" for partition recovery); the committed copy ("cslast.rdf",
// "lpslast.rdf") is what a later run offers to resume.
//
// A state file is a result stream (crs_data.h):
//   header   stage (1 to 4; 0 makes the file invalid) and the text the
//            device step sets (SetStateText)
//   section  {6EAE44F1-5CA7-49F8-BD8D-7126D446AACA}: u32 n, then the n state
//            types of the chain, oldest step first (type 6 never listed)
//   then     what each listed step's SaveState writes, in that order:
//            type 0 the chosen volume (CScanStateStore::SaveSearchRecord),
//            1 and 4 the scan (SaveScanState), 2 the chosen disk
//            (CScanStateStore::SaveRecord), 3 the found-partition windows
//            (WritePartitionListSection), 5 the file tree
//            (WriteFileTreeSection).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/guid.h"
#include "raw/search_controllers.h"

class CRawFileCollection;
class CSearchedPartitionInfo;
class IDIRBuildCallback;
class IRSData;

namespace qm {

inline constexpr GUID kStateTypeListSection = {
    0x6EAE44F1, 0x5CA7, 0x49F8, {0xBD, 0x8D, 0x71, 0x26, 0xD4, 0x46, 0xAA, 0xCA}};

// The steps whose state is kept, by state type.
enum RecoveryStateType : int {
  kStateCompleteVolume = 0,
  kStateCompleteScan = 1,
  kStateLostDisk = 2,
  kStateFoundPartitions = 3,
  kStateLostScan = 4,
  kStateFileSelection = 5,
  kStateNotKept = 6,
};

// The roads that keep state files (the wizard's search kinds).
inline constexpr int kSearchComplete = 1;
inline constexpr int kSearchLostPartition = 2;

// A chain of more kept steps than any road has is damage.
inline constexpr std::uint32_t kMaxKeptSteps = 16;

// Title of the progress step of a save and of a restore.
inline constexpr const char* kSavingRecoveryStatesText = "Saving recovery states...";

// The header's stage for the step the user is on: 1 complete scan, 2 file
// selection, 3 found partitions, 4 partition scan, 0 for any other step.
int StageOfStateType(int stateType);
// The last state type a file of that stage rebuilds: stage 1 up to 1, 2 up
// to 5, 3 up to 3, 4 up to 4, any other up to 6.
int HighestStateTypeOfStage(int stage);

// The folder of the state files: the program's data folder unless a test
// set another one (empty: back to the data folder).
std::filesystem::path RecoveryStateFolder();
void SetRecoveryStateFolder(std::filesystem::path folder);
// The road's temporary and last state file; empty for a search kind other
// than 1 and 2.
std::filesystem::path TempStateFilePath(int searchKind);
std::filesystem::path LastStateFilePath(int searchKind);

} // namespace qm

// One step of the wizard whose state goes into the state files: the
// wizard's step controllers implement it.
class IRecoveryStateHolder {
public:
  virtual ~IRecoveryStateHolder() = default;
  // 0 to 5 for the kept steps (RecoveryStateType), 6 for a step never kept.
  virtual int GetStateTypeId() = 0;
  // 1 complete recovery, 2 partition recovery; any other road keeps no
  // state.
  virtual int GetSearchKind() = 0;
  // The step before this one on the road the user took; null at its start.
  virtual IRecoveryStateHolder* GetPreviousStateHolder() = 0;
  virtual void SetPreviousStateHolder(IRecoveryStateHolder* previous) = 0;
  // Writes the step's sections (the result is not used).
  virtual int SaveState(IRSData* writer, IDIRBuildCallback* progress) = 0;
  // Reads them back; false stops the restore as a failure.
  virtual bool LoadState(IRSData* reader, IDIRBuildCallback* progress) = 0;
  // Releases what the step holds (after a failed restore).
  virtual void Leave() = 0;
};

// Writes the temporary state file of current's road: the stage of current,
// the chain of kept steps from the road's start to current, and each of
// their states. The progress callback (may be null) sees one step of 100.
// 1 on success; 0 for a road without state files, a file that cannot be
// created, or a stream error (logged "RS Exception:%d").
int SaveRecoveryStates(IRecoveryStateHolder* current, IDIRBuildCallback* progress);

// The step controller of a state type (the wizard's one per type); null
// for a type it has none of.
using RecoveryStateHolderOf = std::function<IRecoveryStateHolder*(int stateType)>;

// Rebuilds the chain from the last state file of current's road: every
// listed step up to the file's stage gets the step before it and loads its
// state, in order. On success the last file is copied over the temporary
// one and the last rebuilt step returned; on failure (no file, a damaged
// file, a step that cannot load, e.g. because its disk is gone) the
// rebuilt scan, partition and file steps are left and null returned.
IRecoveryStateHolder* RestoreRecoveryStates(IRecoveryStateHolder* current,
                                            const RecoveryStateHolderOf& holderOf,
                                            IDIRBuildCallback* progress);

// The header text of an open writer (cut to 100 bytes); stream errors are
// logged. Returns 1.
int SetStateText(IRSData* writer, const char* text);

// What a scan step (state types 1 and 4) keeps: the search controllers,
// the carved files and the found partitions, in that order.
int SaveScanState(IRSData* writer, SearchControllerList& controllers, CRawFileCollection* carved,
                  const std::vector<CSearchedPartitionInfo*>& partitions);

// Reads a scan step back: the controllers appended to controllers, the
// carved files as a new collection handed to every controller, and the
// found partitions (the list owns them; it is emptied first). 0 when a
// section is missing or names something that cannot be made; stream errors
// are passed on. On failure what was read is released again.
int LoadScanState(IRSData* reader, SearchControllerList& controllers,
                  std::unique_ptr<CRawFileCollection>& carved,
                  std::vector<CSearchedPartitionInfo*>& partitions);
