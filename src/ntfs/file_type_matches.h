// Files that a deep scan met by their records and whose names give a
// carved type. When the carving search found a file of the same type at
// the first data cluster that a candidate partition's geometry gives, the
// record confirms that geometry: the candidate's files-match count grows.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "filemodel/file_extension.h"

class CRawFileCollection;
class CSearchedPartitionInfo;

namespace qm {
// In ascending order of record sector, as the sweep meets them.
using FileTypeMatchList = std::vector<FileTypeMatch>;
} // namespace qm

// Appends a match of the name's carved type, with the file's first data
// cluster and the sector of the record that names it, when the type is
// known and neither value is negative. 1 when one was appended.
int AddFileTypeMatch(qm::FileTypeMatchList& matches, std::string_view name, std::int64_t cluster,
                     std::int64_t recordSector);

// Adds to the partition's files-match count one for every match whose
// record lies inside the partition and whose data cluster, placed by the
// partition's geometry, holds a carved file of the match's type.
void CountFileTypeMatches(const qm::FileTypeMatchList& matches, const CRawFileCollection& collection,
                          CSearchedPartitionInfo& partition);
