#include "filemodel/search_file_params.h"

#include <chrono>
#include <utility>

#include "filemodel/file_node.h"
#include "filemodel/name_pattern.h"
#include "filemodel/target_names.h"

namespace qm {
namespace {

constexpr FileTime kTicksPerDay = 24ull * 60 * 60 * 1000 * 10000;

class SearchNameFilter : public IFileFilter {
public:
  explicit SearchNameFilter(SearchFileParams params) : params_(std::move(params)) {
    name_.Set(params_.namePattern, params_.caseSensitive, false, kWildcardNamePart);
    if ((params_.flags & kSearchByType) != 0 && params_.typePattern != "*")
      type_ = BuildTypeListRegex(TypeMasks(params_.typePattern));
    dates_.Set(&params_.date);
    sizes_.Set(&params_.size);
  }

  bool IsMatch(IFileProperties* properties) override {
    if (properties == nullptr) return false;
    if ((params_.flags & kSearchOther) != 0 && !params_.includeEncrypted &&
        (properties->GetAttributes() & kAttrEncrypted) != 0)
      return false;
    if (!name_.IsMatch(properties)) return false;
    if ((params_.flags & kSearchByType) != 0 && !type_.Matches(std::string_view(properties->GetName())))
      return false;
    if ((params_.flags & kSearchByDate) != 0 && !DateMatches(*properties)) return false;
    if ((params_.flags & kSearchBySize) != 0 && !SizeMatches(*properties)) return false;
    return true;
  }

private:
  // ".txt;.text" as masks "*.txt;*.text".
  static std::string TypeMasks(const std::string& extensions) {
    std::string masks;
    std::size_t from = 0;
    while (from <= extensions.size()) {
      std::size_t to = extensions.find(';', from);
      if (to == std::string::npos) to = extensions.size();
      const std::string item = extensions.substr(from, to - from);
      if (!item.empty()) {
        if (!masks.empty()) masks += ';';
        masks += item.front() == '*' ? item : "*" + item;
      }
      from = to + 1;
    }
    return masks.empty() ? "*" : masks;
  }

  bool DateMatches(const IFileProperties& properties) const {
    const SearchDateBlock* block = dates_.Get();
    FileTime time = 0;
    if ((block->kinds & kDateModified) != 0) {
      if ((properties.GetValidFields() & kValidLastWriteTime) == 0) return false;
      properties.GetLastWriteTime(&time);
    } else if ((block->kinds & kDateCreated) != 0) {
      if ((properties.GetValidFields() & kValidCreationTime) == 0) return false;
      properties.GetCreationTime(&time);
    } else if ((block->kinds & kDateAccessed) != 0) {
      if ((properties.GetValidFields() & kValidLastAccessTime) == 0) return false;
      properties.GetLastAccessTime(&time);
    } else {
      return true;
    }
    return time >= block->start && time <= block->end;
  }

  bool SizeMatches(const IFileProperties& properties) const {
    const SearchSizeBlock* block = sizes_.Get();
    const std::uint64_t size = properties.GetSize();
    if (block->mode == kSizeLessThan) return size < block->bytes;
    if (block->mode == kSizeMoreThan) return size > block->bytes;
    return true;
  }

  SearchFileParams params_;
  NameFilterRegex name_;
  NameRegex type_;
  DateRangeParam dates_;
  FilterParam sizes_;
};

} // namespace

std::string MakeNamePattern(std::string_view typed) {
  if (typed.empty()) return "*";
  return CutUtf8("*" + std::string(typed) + "*", kMaxNamePattern);
}

bool IsValidSearchName(std::string_view text, bool allowEmpty) {
  if (text.empty()) return allowEmpty;
  return text.find_first_of("\\/:\"<>|") == std::string_view::npos;
}

FileTime CurrentFileTime() {
  // FILETIME counts 100-ns units from 1601; the Unix epoch lies
  // 11644473600 seconds after it.
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
  return static_cast<FileTime>(ticks) + 116444736000000000ull;
}

SearchDateBlock LastMonths(std::uint32_t kinds, std::uint32_t months, FileTime now) {
  const FileTime span = FileTime{months} * 30 * kTicksPerDay;
  return {kinds, now > span ? now - span : 0, now};
}

SearchDateBlock LastDays(std::uint32_t kinds, std::uint32_t days, FileTime now) {
  const FileTime span = FileTime{days} * kTicksPerDay;
  return {kinds, now > span ? now - span : 0, now};
}

void DateRangeParam::Set(SearchDateBlock* block) {
  block_ = block;
  if (block != nullptr && block->start > block->end) std::swap(block->start, block->end);
}

std::unique_ptr<IFileFilter> BuildNameFilter(SearchFileParams params) {
  return std::make_unique<SearchNameFilter>(std::move(params));
}

std::size_t CollectMatches(CFileNode* location, IFileFilter& filter, SearchFilterSet& set, bool autoSelect,
                           const std::function<void(CFileNode*)>& check) {
  std::size_t added = 0;
  ForEachInSubtree(location, [&](CFileNode* node) {
    IFileProperties* properties = node->GetProperties();
    if (properties == nullptr || properties->IsFolder()) return; // folders are walked, never listed
    if (!filter.IsMatch(properties)) return;
    if (autoSelect && properties->GetCheckState() != kChecked && check) check(node);
    set.Add(node);
    ++added;
  });
  return added;
}

} // namespace qm
