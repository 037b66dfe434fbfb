// What the search-files dialog asks for, as one plain record, the filter
// built from it, and the set of files it found.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "filemodel/file_filter.h"
#include "filemodel/file_properties.h"

class CFileNode;

namespace qm {

// Bits of SearchFileParams::flags.
inline constexpr std::uint32_t kSearchByType = 1;
inline constexpr std::uint32_t kSearchByDate = 2;
inline constexpr std::uint32_t kSearchBySize = 4;
inline constexpr std::uint32_t kSearchOther = 8;

// Date kinds.
inline constexpr std::uint32_t kDateModified = 1;
inline constexpr std::uint32_t kDateCreated = 2;
inline constexpr std::uint32_t kDateAccessed = 4;

// Size modes.
inline constexpr std::uint32_t kSizeLessThan = 1;
inline constexpr std::uint32_t kSizeMoreThan = 2;

// The longest name pattern kept (characters of the 260-byte field).
inline constexpr std::size_t kMaxNamePattern = 259;
// The largest size the size box takes, in KB.
inline constexpr std::uint64_t kMaxSearchKilobytes = 1000000000;

struct SearchDateBlock {
  std::uint32_t kinds = 0;
  FileTime start = 0;
  FileTime end = 0;
};

struct SearchSizeBlock {
  std::uint32_t mode = 0;
  std::uint64_t bytes = 0;
};

struct SearchFileParams {
  std::string namePattern = "*";
  bool autoSelect = false;
  CFileNode* location = nullptr;
  std::uint32_t flags = 0;
  std::uint32_t typeMode = 0; // 1 "(All Files)", 4 the third entry, 2 any other
  std::string typeName;
  std::string typePattern; // "*", or the entry's extensions ".a;.b"
  SearchDateBlock date;
  SearchSizeBlock size;
  bool caseSensitive = false;
  bool includeEncrypted = true;
};

// "*" for an empty box, else "*text*", cut to 259 characters (never inside
// a UTF-8 sequence).
std::string MakeNamePattern(std::string_view typed);

// Whether a name pattern holds none of \ / : " < > |. The search dialog
// wants at least one character, the finder takes an empty text.
bool IsValidSearchName(std::string_view text, bool allowEmpty);

// The date block of "in the last N months" (a month is 30 days) or days,
// ending now.
SearchDateBlock LastMonths(std::uint32_t kinds, std::uint32_t months, FileTime now);
SearchDateBlock LastDays(std::uint32_t kinds, std::uint32_t days, FileTime now);
// The current time as a FILETIME.
FileTime CurrentFileTime();

// Holds a pointer to a date block; Set swaps a reversed range in the
// block itself.
class DateRangeParam {
public:
  void Set(SearchDateBlock* block);
  const SearchDateBlock* Get() const { return block_; }

private:
  SearchDateBlock* block_ = nullptr;
};

class FilterParam {
public:
  void Set(const SearchSizeBlock* block) { block_ = block; }
  const SearchSizeBlock* Get() const { return block_; }

private:
  const SearchSizeBlock* block_ = nullptr;
};

// Builds the search filter from a copy of the parameters.
std::unique_ptr<IFileFilter> BuildNameFilter(SearchFileParams params);

// The files a search found (not owned).
class SearchFilterSet {
public:
  void Add(CFileNode* node) { items_.push_back(node); }
  std::size_t GetCount() const { return items_.size(); }
  const std::vector<CFileNode*>& GetItems() const { return items_; }
  void Clear() { items_.clear(); }

private:
  std::vector<CFileNode*> items_;
};

// Walks the tree below location (location itself included), depth first:
// every file (not folder) the filter accepts is added to the set; with
// autoSelect, check(node) is called first for a match that is not fully
// checked. Returns the number added.
std::size_t CollectMatches(CFileNode* location, IFileFilter& filter, SearchFilterSet& set, bool autoSelect,
                           const std::function<void(CFileNode*)>& check);

} // namespace qm
