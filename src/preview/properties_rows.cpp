#include "preview/properties_rows.h"

#include "fatext2/fat_file_properties.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "ntfs/ntfs_file_properties.h"

namespace qm {
namespace {

std::string Number(std::uint64_t value) { return std::to_string(value); }
std::string YesNo(bool value) { return value ? "Yes" : "No"; }

// A folder's bit 0x10 says how its sub-folders are ordered; only a file's
// says that the file is damaged.
void AddStateRows(std::vector<PropertyRow>& rows, std::uint16_t state, bool folder) {
  rows.push_back({"Deleted", YesNo((state & kStateDeleted) != 0)});
  rows.push_back({"Lost", YesNo((state & kStateLost) != 0)});
  rows.push_back({"Cross Link", YesNo((state & kStateCrossLinked) != 0)});
  rows.push_back({"Temp", YesNo((state & kStateTemporary) != 0)});
  if (!folder) rows.push_back({"Damaged", YesNo((state & kStateDamaged) != 0)});
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> Extents(IDataRunList& list) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
  for (const DataRunEntry& run : list.Runs())
    out.emplace_back(run.start, run.count);
  return out;
}

// The first sector of a FAT cluster. Clusters 0 and 1 name no data (the
// fixed root folder of FAT12 and FAT16 has cluster 0), and the tree's own
// folders have none: those show "-".
std::string FatClusterSector(std::uint32_t cluster, std::uint64_t base, std::uint32_t perCluster) {
  if (cluster < 2 || cluster == CFATFileProperties::kNoCluster) return "-";
  return Number((std::uint64_t{cluster} - 2) * perCluster + base);
}

std::string FatCluster(std::uint32_t cluster) {
  return cluster == CFATFileProperties::kNoCluster ? "-" : Number(cluster);
}

} // namespace

std::string FormatLayout(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& extents,
                         std::uint64_t add) {
  std::string text;
  for (std::size_t i = 0; i < extents.size(); ++i) {
    if (i > 0) text += " - ";
    text += Number(extents[i].first + add) + ": " + Number(extents[i].second);
  }
  return text + ".";
}

std::vector<PropertyRow> BuildPropertyRows(CFileNode* node) {
  std::vector<PropertyRow> rows;
  if (node == nullptr || node->GetProperties() == nullptr) return rows;
  IFileProperties* properties = node->GetProperties();
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  // A file-system node answers with its own geometry, any other node with
  // that of the nearest file-system node above it.
  node->GetVolumeGeometry(&base, &perCluster);
  const std::uint32_t volume = node->GetVolumeState();
  const bool folder = properties->IsFolder();
  const std::uint16_t state = properties->GetState();
  const std::string name = properties->GetName();
  bool statesListed = true;

  if (volume <= kVolumeFat32 && properties->GetTypeCode() == kPropertiesFat) {
    auto* fat = static_cast<CFATFileProperties*>(properties);
    rows.push_back({"Name", name});
    if (folder) {
      rows.push_back({"Sector", FatClusterSector(fat->GetFirstCluster(), base, perCluster)});
      rows.push_back({"Cluster", FatCluster(fat->GetFirstCluster())});
      rows.push_back({"Parent", FatCluster(fat->GetParentCluster())});
      AddStateRows(rows, state, folder);
    } else {
      rows.push_back({"Parent", FatCluster(fat->GetParentCluster())});
      rows.push_back({"Parent Sector", FatClusterSector(fat->GetParentCluster(), base, perCluster)});
      AddStateRows(rows, state, folder);
      if (auto list = properties->GetDataRunList())
        rows.push_back({"Lay out", FormatLayout(Extents(*list), 2)});
    }
  } else if (volume == kVolumeNtfs && properties->GetTypeCode() == kPropertiesNtfs) {
    auto* ntfs = static_cast<CNTFSFileProperties*>(properties);
    rows.push_back({"Name", name});
    rows.push_back({"Record sector", Number(ntfs->GetFileRecordSector())});
    rows.push_back({"Compressed", YesNo((properties->GetAttributes() & kAttrCompressed) != 0)});
    rows.push_back({"Encrypted", YesNo((properties->GetAttributes() & kAttrEncrypted) != 0)});
    AddStateRows(rows, state, folder);
    if (!folder) {
      if (auto list = properties->GetDataRunList()) {
        if (list->IsResident() != 0) {
          rows.push_back({"Resident", "Yes"});
          rows.push_back({"Size", Number(properties->GetSize())});
          rows.push_back({"Offset", Number(list->GetResidentValue())});
        } else {
          rows.push_back({"Resident", "No"});
          rows.push_back({"Lay out", FormatLayout(Extents(*list), 0)});
        }
      }
    }
  } else if (volume == kVolumeRaw && !folder) {
    statesListed = false;
    rows.push_back({"Name", name});
    rows.push_back({"DataAreaSector", Number(base)});
    if (auto list = properties->GetDataRunList())
      rows.push_back({"Lay out", FormatLayout(Extents(*list), 0)});
  } else {
    statesListed = false;
  }
  // The other file systems list no state rows of their own, but a damaged
  // file says so wherever it was found.
  if (!statesListed && !folder && (state & kStateDamaged) != 0) rows.push_back({"Damaged", "Yes"});

  if (node->IsFileSystemNode() != 0) {
    rows.insert(rows.begin(), {"Start Sector", Number(base)});
    rows.insert(rows.begin(), {"Sector Per Cluster", Number(perCluster)});
  }
  return rows;
}

} // namespace qm
