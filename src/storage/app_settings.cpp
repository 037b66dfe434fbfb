#include "storage/app_settings.h"

#include <iterator>

std::vector<int> AppSettings::AllRawTypes() {
  std::vector<int> types;
  types.reserve(73);
  for (int id = 1; id <= 73; ++id) types.push_back(id);
  return types;
}

void AppSettings::ResetScanSettings() {
  const AppSettings defaults;
  bUseBootRecords = defaults.bUseBootRecords;
  bUsePartitionTables = defaults.bUsePartitionTables;
  bExtensiveVolumesSearch = defaults.bExtensiveVolumesSearch;
  bIgnoreBadSectors = defaults.bIgnoreBadSectors;
  bCheckFatDate = defaults.bCheckFatDate;
  bCheckFatTime = defaults.bCheckFatTime;
  bFatReserved = defaults.bFatReserved;
  bUseFirstFat = defaults.bUseFirstFat;
  bUseSecondFat = defaults.bUseSecondFat;
  bUseNtfsFilesForSize = defaults.bUseNtfsFilesForSize;
  bUseMft = defaults.bUseMft;
  bMftFilesOnly = defaults.bMftFilesOnly;
  bRecoverRaw = defaults.bRecoverRaw;
  bRawOnly = defaults.bRawOnly;
  u64MaxRawFileSize = defaults.u64MaxRawFileSize;
  pTreeRoot = nullptr;
}

AppSettings* GetAppSettings() {
  static AppSettings settings;
  return &settings;
}

void SelectRecoveryMode(AppSettings& settings, int recoveryMode, bool photoRecovery) {
  settings.nRecoveryMode = recoveryMode;
  settings.bPhotoRecovery = photoRecovery ? 1 : 0;
  if (photoRecovery)
    settings.vecRawTypes.assign(std::begin(kPhotoRawTypes), std::end(kPhotoRawTypes));
  else
    settings.vecRawTypes = AppSettings::AllRawTypes();
}
