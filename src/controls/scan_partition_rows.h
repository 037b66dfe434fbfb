// The rows of the found-partition check list: how a found partition is
// named, how big it is, how strongly it is suggested, which options it
// offers and which rows are ticked in advance. Plain logic, so the list
// control only shows what this decides.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CSearchedPartitionInfo;

// One row of the check list; the pointers belong to the caller.
struct IntelligentPartitionResult {
  struct Option {
    std::uint32_t value = 0;
    std::string text;
  };
  std::string name;
  std::uint32_t fileSystem = 0;
  std::uint32_t bytesPerSector = 512;
  std::uint64_t firstSector = 0;
  std::uint64_t lastSector = 0;
  double rank = 0.0;
  std::vector<Option> options; // at most 4
  std::uint32_t filesMatched = 0;
  std::uint32_t foldersMatched = 0;
  std::uint32_t kind = 0; // 1 recommended, 2 questionable
  CSearchedPartitionInfo* partition = nullptr;
};

// A found partition as the scan pages get it: the partition, its score
// (0 to 1) and the suggestion level the page gives it.
struct ScanPartitionEntry {
  CSearchedPartitionInfo* partition = nullptr;
  double score = 0.0;
  std::uint32_t level = 0; // 1 recommended, 2 questionable
};

namespace qm {

inline constexpr std::size_t kMaxRowsPerKind = 100;
inline constexpr std::uint32_t kFatFoundFat1 = 0x40;
inline constexpr std::uint32_t kFatUseFat1 = 0x80;
inline constexpr std::uint32_t kFatFoundFat2 = 0x100;
inline constexpr std::uint32_t kFatUseFat2 = 0x200;

enum class Suggestion { High, Medium, Low };
// High above 0.99, Medium from the threshold up, Low below it.
Suggestion SuggestionOf(double rank, double threshold);
const char* SuggestionText(Suggestion s);

// The mid-point between the lowest and highest score of at most 0.99; 0.5
// when no score is that low.
double ComputeThreshold(const std::vector<ScanPartitionEntry>& entries);
// Level 1 on the first entry of the highest score above 0, 0 on all others.
void SelectBestPartition(std::vector<ScanPartitionEntry>& entries);
// 2 when an entry after the first is marked chosen, else 1.
unsigned CountMarkedAfterFirst(const std::vector<ScanPartitionEntry>& entries);

// The rows for the entries in order: "Partition N FS" with N counting every
// entry (listed or not), at most 100 rows per family (NTFS, FAT, EXT, the
// rest), the sector range and the options of the family.
std::vector<IntelligentPartitionResult> BuildPartitionRows(const std::vector<ScanPartitionEntry>& entries);

// Whether a row of that kind is ticked in advance when `alreadyChecked`
// rows are ticked and the list allows `limit` advance ticks.
bool PrecheckRow(std::uint32_t kind, unsigned alreadyChecked, unsigned limit);

// An option cell was ticked or unticked: changes the partition's choice
// (NTFS "$MFT Only", FAT first or second table). Returns true when the
// partition changed.
bool ApplyPartitionOption(CSearchedPartitionInfo* partition, unsigned cell, unsigned part, bool checked);

} // namespace qm
