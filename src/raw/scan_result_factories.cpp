#include "raw/scan_result_factories.h"

#include "fatext2/ext2_file_properties.h"
#include "fatext2/ext2_searched_partition_info.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_partition_info.h"
#include "filemodel/scan_result_sections.h"
#include "ntfs/ntfs_file_properties.h"
#include "ntfs/ntfs_partition_info.h"
#include "raw/raw_file_properties.h"

namespace qm {

void RegisterScanResultFactories() {
  RegisterFilePropertiesFactory(kPropertiesNtfs,
                                [] { return std::unique_ptr<IFileProperties>(CreateNtfsFileProperties()); });
  RegisterFilePropertiesFactory(kPropertiesFat, [] {
    return std::unique_ptr<IFileProperties>(std::make_unique<CFATFileProperties>());
  });
  RegisterFilePropertiesFactory(kPropertiesExt2, [] {
    return std::unique_ptr<IFileProperties>(std::make_unique<CExt2FileProperties>());
  });
  RegisterFilePropertiesFactory(kPropertiesRaw, [] {
    return std::unique_ptr<IFileProperties>(std::make_unique<CRAWFileProperties>());
  });
  RegisterFoundPartitionFactory(kPartitionKindNtfs, [] {
    return std::unique_ptr<CSearchedPartitionInfo>(std::make_unique<CSearchedNTFSPartitionInfo>(0, 512));
  });
  RegisterFoundPartitionFactory(kPartitionKindFat, [] {
    return std::unique_ptr<CSearchedPartitionInfo>(std::make_unique<CFATSearchedPartitionInfo>(512));
  });
  RegisterFoundPartitionFactory(kPartitionKindExt2, [] {
    return std::unique_ptr<CSearchedPartitionInfo>(std::make_unique<CExt2SearchedPartitionInfo>());
  });
}

} // namespace qm
