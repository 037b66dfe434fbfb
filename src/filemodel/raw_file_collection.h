// The files that the carving search found in one scan, in the order found
// and indexed by start sector. The wizard makes one before a scan and hands
// it to every search controller: the carving controller fills it, the NTFS
// and FAT scans look sectors up in it, the tree builds carve from it. It
// owns its records.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include "filemodel/list_iterator.h"
#include "filemodel/raw_file_info.h"

class CRawFileCollection {
public:
  using RecordList = std::list<CRawFileInfo*>;

  CRawFileCollection() : iterator_(records_) {}
  CRawFileCollection(const CRawFileCollection&) = delete;
  CRawFileCollection& operator=(const CRawFileCollection&) = delete;
  // Deletes every record.
  ~CRawFileCollection();

  // Appends the record and enters it in the index by its start sector (a
  // sector already indexed keeps its first record). Returns the record.
  CRawFileInfo* Add(std::unique_ptr<CRawFileInfo> record);

  // The record that starts at exactly that sector, or null.
  CRawFileInfo* FindByStartSector(std::uint64_t sector) const;

  // The records in the order found; owned by the collection.
  const RecordList& GetCarvedFiles() const { return records_; }
  // An iterator over the same records (First before use).
  ListIterator<CRawFileInfo*>& GetIterator() { return iterator_; }

  std::size_t GetCount() const { return records_.size(); }

  // Deletes every record and empties the list and the index.
  void Clear();

private:
  std::vector<std::unique_ptr<CRawFileInfo>> owned_;
  RecordList records_; // the same records, as the readers walk them
  std::map<std::uint64_t, CRawFileInfo*> byStartSector_;
  ListIterator<CRawFileInfo*> iterator_;
};
