#include "storage/app_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(AppSettings, FreshRecordHoldsTheDefaults) {
  const AppSettings s;
  EXPECT_EQ(s.bUseBootRecords, 1);
  EXPECT_EQ(s.bUsePartitionTables, 0);
  EXPECT_EQ(s.bIgnoreBadSectors, 1);
  EXPECT_EQ(s.bUseFirstFat, 1);
  EXPECT_EQ(s.bUseSecondFat, 1);
  EXPECT_EQ(s.bCheckFatDate, 1);
  EXPECT_EQ(s.bCheckFatTime, 1);
  EXPECT_EQ(s.bUseNtfsFilesForSize, 1);
  EXPECT_EQ(s.bUseMft, 1);
  EXPECT_EQ(s.bMftFilesOnly, 0);
  EXPECT_EQ(s.bRecoverRaw, 1);
  EXPECT_EQ(s.bRawOnly, 0);
  EXPECT_EQ(s.u64MaxRawFileSize, 50000000u);
  ASSERT_EQ(s.vecRawTypes.size(), 73u);
  EXPECT_EQ(s.vecRawTypes.front(), 1);
  EXPECT_EQ(s.vecRawTypes.back(), 73);
  EXPECT_EQ(s.nRecoveryMode, 0);
  EXPECT_EQ(s.chDriveLetter, 255);
  EXPECT_EQ(s.nLanguageId, 1);
  EXPECT_EQ(s.pTreeRoot, nullptr);
  EXPECT_EQ(s.hLanguageModule, nullptr);
  EXPECT_TRUE(s.strVolumeName.empty());
}

TEST(AppSettings, OneInstanceForTheProcess) {
  EXPECT_EQ(GetAppSettings(), GetAppSettings());
}

TEST(AppSettings, ResetScanSettingsKeepsTheUsersChoices) {
  AppSettings s;
  s.bIgnoreBadSectors = 0;
  s.bUseFirstFat = 0;
  s.bMftFilesOnly = 1;
  s.bRawOnly = 1;
  s.bRecoverRaw = 0;
  s.u64MaxRawFileSize = 7;
  s.pTreeRoot = reinterpret_cast<CFileNode*>(&s);
  s.nLanguageId = 2;
  s.nRecoveryMode = 2;
  s.bPhotoRecovery = 1;
  s.bPageOption = 1;
  s.vecRawTypes = {9, 35};
  s.ResetScanSettings();
  EXPECT_EQ(s.bIgnoreBadSectors, 1);
  EXPECT_EQ(s.bUseFirstFat, 1);
  EXPECT_EQ(s.bMftFilesOnly, 0);
  EXPECT_EQ(s.bRawOnly, 0);
  EXPECT_EQ(s.bRecoverRaw, 1);
  EXPECT_EQ(s.u64MaxRawFileSize, 50000000u);
  EXPECT_EQ(s.pTreeRoot, nullptr);
  EXPECT_EQ(s.nLanguageId, 2);
  EXPECT_EQ(s.nRecoveryMode, 2);
  EXPECT_EQ(s.bPhotoRecovery, 1);
  EXPECT_EQ(s.bPageOption, 1);
  EXPECT_EQ(s.vecRawTypes, (std::vector<int>{9, 35}));
}

TEST(AppSettings, PhotoThenCompleteRecoveryRestoresEveryType) {
  AppSettings s;
  SelectRecoveryMode(s, 1, true);
  EXPECT_EQ(s.nRecoveryMode, 1);
  EXPECT_EQ(s.bPhotoRecovery, 1);
  ASSERT_EQ(s.vecRawTypes.size(), 20u);
  EXPECT_EQ(s.vecRawTypes.front(), 9);
  EXPECT_EQ(s.vecRawTypes.back(), 44);
  SelectRecoveryMode(s, 1, false);
  EXPECT_EQ(s.bPhotoRecovery, 0);
  EXPECT_EQ(s.vecRawTypes, AppSettings::AllRawTypes());
}

} // namespace
