// The one process-wide record of scan options and of the current run's
// choices. The advanced-settings pages edit it, the wizard records the
// user's choices in it, and the devices and engines read it while they work.
// Nothing is saved: every start begins with the defaults. No lock: it is
// written on the user-interface thread while no search runs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CFileNode;

struct AppSettings {
  // Scan switches.
  int bUseBootRecords = 1;       // analyse boot records (the FAT deep scan skips them when 0)
  int bUsePartitionTables = 0;   // hidden; read by complete recovery's device choice
  int bExtensiveVolumesSearch = 0; // hidden; acted on by nothing
  int bIgnoreBadSectors = 1;     // unreadable areas read as zeros and are remembered
  int bPageOption = 0;           // Back from the file selection returns to the scan page
  int bPhotoRecovery = 0;
  int bClickFlag = 0;
  int bVolumeFlag = 0;
  CFileNode* pTreeRoot = nullptr; // last EXT2 tree built; not owned
  int nLanguageId = 1;           // 1 English, 2 Japanese
  void* hLanguageModule = nullptr;
  // FAT options.
  int bCheckFatDate = 1;
  int bCheckFatTime = 1;
  int bFatReserved = 1;
  int bUseFirstFat = 1;
  int bUseSecondFat = 1;
  // NTFS options.
  int bUseNtfsFilesForSize = 1;
  int bUseMft = 1;
  int bMftFilesOnly = 0;
  // RAW options.
  int bRecoverRaw = 1;
  int bRawOnly = 0;
  std::uint64_t u64MaxRawFileSize = 50000000;
  std::vector<int> vecRawTypes = AllRawTypes();
  // The chosen volume.
  std::string strVolumeName;
  std::uint8_t chDriveLetter = 255;
  int nRecoveryMode = 0; // 0 deleted files, 1 complete, 2 lost partitions

  // Puts the scan switches, the FAT, NTFS and RAW options (not the type
  // list) and the EXT2 tree pointer back to their defaults; the language,
  // recovery mode, photo flag, page option and type list are kept. The
  // wizard calls it whenever it shows its start page.
  void ResetScanSettings();

  static std::vector<int> AllRawTypes(); // 1, 2, ..., 73
};

// The carved types of photo recovery, in their order.
inline constexpr int kPhotoRawTypes[] = {9, 35, 11, 16, 24, 25, 28, 33, 47, 50,
                                         51, 60, 8, 36, 40, 41, 58, 63, 66, 44};

// The single instance, made with its defaults on first use.
AppSettings* GetAppSettings();

// What the wizard's start page does with its four choices: sets the
// recovery mode and photo flag and refills the carved-type list (the photo
// list, or every type).
void SelectRecoveryMode(AppSettings& settings, int recoveryMode, bool photoRecovery);
