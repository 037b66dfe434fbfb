// The wizard's handling of the deep-scan controllers without any window:
// which controllers a scan runs, handing them the carved-file collection,
// building the tree of a found partition, and keeping the controllers in a
// scan-result stream. A whole recovery can run through these in a test.
#pragma once

#include <functional>
#include <memory>

#include "ntfs/search_controller.h"
#include "platform/guid.h"

class IIntelligentSearchCallback;

// Makes a controller of a kind; null when there is none of that kind.
using SearchControllerMaker = std::function<std::unique_ptr<IFileSystemSearchController>(int kind)>;

// The program's controllers by kind (NTFS, FAT, RAW, EXT2). Each engine's
// controller is made here as it exists; a kind without one gives null.
std::unique_ptr<IFileSystemSearchController> CreateSearchController(int kind);

// Appends the controllers of a scan to an empty list: FAT, NTFS and EXT2
// unless the settings ask for carving only, then the carving controller
// when carving is on. Kinds the maker cannot make are left out (logged).
void BuildSearchControllerList(SearchControllerList& list,
                               const SearchControllerMaker& make = CreateSearchController);

// Hands the collection to every controller in list order. The collection
// stays the caller's and must outlive the controllers' use of it.
void DistributeRawFileCollection(SearchControllerList& list, CRawFileCollection* collection);

// Asks every controller in list order for its candidates, appending them
// to one list (whose owner then owns them).
void CollectFoundPartitions(SearchControllerList& list, std::vector<CSearchedPartitionInfo*>& partitions);

// Orders candidates by weight, highest first; equal weights keep their
// order.
void SortFoundPartitionsByWeight(std::vector<CSearchedPartitionInfo*>& partitions);

// A complete-recovery sweep of the device by every controller of the list,
// then their candidates collected into the empty list, weighed, sorted by
// weight and ranked against the device's size. The callback (may be null)
// sees the progress from the sweep's worker thread and may cancel; the
// candidates found until a cancel are still collected. SetFinished is
// called on it once the sweep has returned. 0 when the sweep could not be
// started (the candidates are then still collected), else 1.
int RunIntelligentSearch(IStorageDevice* device, SearchControllerList& list,
                         std::vector<CSearchedPartitionInfo*>& partitions, IIntelligentSearchCallback* callback);

// The root of the file tree of a found partition, built by the first
// controller in list order that accepts the partition's file-system type;
// null when none accepts it or the build fails. The ordinal counts the
// partitions built in this run (0 for the first).
CFileNode* BuildTreeOfFoundPartition(SearchControllerList& list, CSearchedPartitionInfo* partition,
                                     IStorageDevice* device, int ordinal, IDIRBuildCallback* callback);

// The controller-list section of scan-result files.
inline constexpr GUID kSearchControllerListSection = {
    0x409B6394, 0xF681, 0x4E88, {0xA2, 0x0F, 0x5D, 0x63, 0x57, 0x82, 0xED, 0x75}};

// Writes the list: u64 count, then per controller its i32 kind and its own
// record. Stream errors are logged ("RS Exception:%d") and passed on.
int SaveSearchControllerList(IRSData* stream, SearchControllerList& list);

// Reads a list that SaveSearchControllerList wrote, appending the
// controllers. 0 when the section is missing or names a kind that cannot
// be made (the list is then emptied). Stream errors empty the list, are
// logged and passed on.
int LoadSearchControllerList(IRSData* stream, SearchControllerList& list,
                             const SearchControllerMaker& make = CreateSearchController);
