#include "filemodel/raw_file_collection.h"

CRawFileCollection::~CRawFileCollection() { Clear(); }

CRawFileInfo* CRawFileCollection::Add(std::unique_ptr<CRawFileInfo> record) {
  if (!record) return nullptr;
  CRawFileInfo* added = record.get();
  owned_.push_back(std::move(record));
  records_.push_back(added);
  byStartSector_.emplace(added->GetStartSector(), added);
  return added;
}

CRawFileInfo* CRawFileCollection::FindByStartSector(std::uint64_t sector) const {
  auto it = byStartSector_.find(sector);
  return it == byStartSector_.end() ? nullptr : it->second;
}

void CRawFileCollection::Clear() {
  byStartSector_.clear();
  records_.clear();
  owned_.clear();
  iterator_.First();
}
