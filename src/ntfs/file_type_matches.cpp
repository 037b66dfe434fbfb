#include "ntfs/file_type_matches.h"

#include <algorithm>

#include "filemodel/raw_file_collection.h"
#include "storage/searched_partition_info.h"

int AddFileTypeMatch(qm::FileTypeMatchList& matches, std::string_view name, std::int64_t cluster,
                     std::int64_t recordSector) {
  FileTypeMatch match;
  if (!MatchFileTypeA(name, cluster, recordSector, match)) return 0;
  matches.push_back(match);
  return 1;
}

void CountFileTypeMatches(const qm::FileTypeMatchList& matches, const CRawFileCollection& collection,
                          CSearchedPartitionInfo& partition) {
  const std::uint64_t start = partition.GetStartSector();
  const std::uint64_t count = partition.GetSectorCount();
  const std::uint64_t end = count > ~std::uint64_t{0} - start ? ~std::uint64_t{0} : start + count;
  const std::uint64_t spc = partition.GetSectorsPerCluster();
  std::uint64_t found = 0;
  // The list is in sector order: start at the first record inside, so that
  // joining many candidates with a long list stays cheap.
  const auto from = std::partition_point(matches.begin(), matches.end(), [&](const FileTypeMatch& m) {
    return m.second < 0 || static_cast<std::uint64_t>(m.second) < start;
  });
  for (auto it = from; it != matches.end(); ++it) {
    const FileTypeMatch& m = *it;
    if (m.first < 0 || m.second < 0) continue;
    const auto recordSector = static_cast<std::uint64_t>(m.second);
    if (recordSector < start) continue;
    // The list is in sector order: nothing after this lies inside.
    if (recordSector >= end) break;
    const auto cluster = static_cast<std::uint64_t>(m.first);
    if (spc != 0 && cluster > (end - start) / spc) continue;
    const std::uint64_t dataSector = start + cluster * spc;
    if (dataSector >= end) continue;
    const CRawFileInfo* carved = collection.FindByStartSector(dataSector);
    if (carved != nullptr && carved->GetType() == m.type) ++found;
  }
  partition.SetFilesMatched(partition.GetFilesMatched() + found);
}
