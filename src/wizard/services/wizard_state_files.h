// The state files of the complete and partition roads: the temporary file
// rewritten while the user works and the last committed one that the device
// page offers as "Previous Recovery...". A search kind other than 1
// (complete) or 2 (partition) has no files: every call then fails.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class IDIRBuildCallback;
class IRSData;
class QWidget;

namespace qm {
class Prompter;
}

namespace qm {

class IWizardPageController;

// The folder that holds the state files: the program's data folder unless
// a test set another one (empty: back to the data folder).
std::filesystem::path StateFolder();
void SetStateFolder(std::filesystem::path folder);

// "cstemp.rdf" / "lpstemp.rdf" and "cslast.rdf" / "lpslast.rdf" in the state
// folder; empty for other kinds.
std::filesystem::path TempStateFile(int searchKind);
std::filesystem::path LastStateFile(int searchKind);

// The header text of the last file when it is a valid state file (a good
// header of stage 1 to 4), with its "\r\n" made plain line breaks.
std::optional<std::string> ReadLastStateText(int searchKind);

// Removes the last file; 1 when it is gone.
int DeleteLastStateFile(int searchKind);

// A valid temporary file becomes the last file (an old one replaced);
// 1 also when there is nothing to commit, 0 when the move failed.
int CommitStateFile(int searchKind);

// The stage a state file records for the step of that state type: 1 the
// complete scan, 2 the file selection, 3 the found partitions, 4 the
// partition scan; 0 (an invalid file) for the device steps and the rest.
int StageOfStateType(int stateType);
// The latest state type a file of that stage rebuilds.
int HighestStateTypeOfStage(int stage);

// Writes the whole chain that ends at `ctrl` (steps of state type 6 left
// out) into the temporary file of its search kind: the stage, the list of
// state types oldest first, then each step's own sections. 1 on success.
int SaveRecoveryStates(IWizardPageController& ctrl, IDIRBuildCallback* progress);

// SaveRecoveryStates, with show non-zero on a worker under the "Save
// recovery states" progress window (no Cancel) over the disabled main
// window, waited for while events are pumped.
int SaveRecoveryStatesWithProgress(IWizardPageController& ctrl, int show, QWidget* mainWindow,
                                   Prompter& prompter);

// The step of a state type (0 complete volumes ... 5 file selection); null
// when there is none.
using StateStepResolver = std::function<IWizardPageController*(int stateType)>;

// Rebuilds the chain from the last file of ctrl's search kind, up to the
// limit of its stage, linking each step behind the one before (the first
// behind ctrl). Returns the last step rebuilt, or null; on failure the
// rebuilt steps after the device step are left. A success copies the last
// file over the temporary one.
IWizardPageController* RestoreRecoveryStates(IWizardPageController& ctrl, IDIRBuildCallback* progress,
                                             const StateStepResolver& resolve);

// Sets only the stage of the temporary file from ctrl's state type (a
// device step makes the file invalid). False when the file cannot be
// written.
bool MarkStage(IWizardPageController& ctrl);

// The header text of a state file being written ("Results for ..."); at
// most 100 characters are kept. Returns 1.
int SetStateText(IRSData* writer, const std::string& text);

} // namespace qm
