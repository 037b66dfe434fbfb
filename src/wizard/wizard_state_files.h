// The state files of the complete and partition roads: the temporary file
// rewritten while the user works and the last committed one that the device
// page offers as "Previous Recovery...". A search kind other than 1
// (complete) or 2 (partition) has no files: every call then fails.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qm {

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

} // namespace qm
