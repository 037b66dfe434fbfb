// The deleted-file road's fixture: volumes made by the real tools, each
// holding deleted files and a deleted folder (NTFS from the committed
// image, FAT32 by mkfs.fat and mtools, EXT2 by mke2fs and debugfs, and a
// FAT32 volume without deletions), and a main window over them that walks
// from the start page to page 9.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "storage/app_settings.h"
#include "storage/volume_analyzer.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/services/device_source.h"
#include "wizard/wizard_context.h"

class CFileNode;

namespace qm {

class CDeviceListPage;
class CFileSelectPage;
class CMainFrame;

namespace test {

struct DeletedRoadImages {
  std::filesystem::path ntfs, fat32, ext2, clean;
  std::vector<std::string> Disks() const {
    return {ntfs.string(), fat32.string(), ext2.string(), clean.string()};
  }
  bool Made() const { return !ntfs.empty() && !fat32.empty() && !ext2.empty() && !clean.empty(); }
};

// Made on the first call (the same paths after it).
const DeletedRoadImages& DeletedRoadFixtureImages();

// Raw images as a person rescues them with dd or ddrescue, made from the
// volumes above: a whole MBR disk whose first partition is the FAT32
// volume, a whole GPT disk whose two partitions are the FAT32 and the EXT2
// volume, and the bare FAT32 volume under a name of no known kind.
struct RescuedImages {
  std::filesystem::path mbr, gpt, bare;
  bool Made() const { return !mbr.empty() && !gpt.empty() && !bare.empty(); }
};
const RescuedImages& RescuedDiskImages();

// The SHA-256 of each file deleted from a volume: FAT32 and EXT2 lost
// old.doc, photo.jpg and gone/inner.txt, NTFS what its manifest lists as
// deleted.
std::multiset<std::string> DeletedFileHashesFatExt2();
std::multiset<std::string> DeletedFileHashesNtfs();
// The SHA-256 of every regular file below folder.
std::multiset<std::string> FileHashesBelow(const std::filesystem::path& folder);

// The FAT engine shows a deleted entry's lost first character as '#'.
extern const std::set<std::string> kFatDeleted;
// The EXT2 engine finds deleted files as inodes no directory names any
// more (old.doc, photo.jpg, inner.txt are inodes 15 to 17); the deleted
// folder's inode holds nothing, so no folder is shown for it.
extern const std::set<std::string> kExt2Deleted;
extern const std::set<std::string> kNtfsDeleted;

class DeletedRoadTest : public ::testing::Test {
protected:
  DeletedRoadTest();
  ~DeletedRoadTest() override;

  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  WizardServices Services();
  CDeviceListPage& OpenVolumePage();
  // Selects the volume whose row names the label; false when none does.
  bool SelectVolume(CDeviceListPage& page, const char* label);
  // Next on page 1, closing the hint prompt with its box `tick`ed.
  bool NextClosingHint(bool tick = false);
  CFileSelectPage& FilePage();
  // The nodes below "Deleted Files".
  std::set<std::string> DeletedPaths();
  // Walks the road to page 9 on the volume and checks what it lists; saves
  // a picture of the page when a name is given.
  void WalkTo(const char* label, const std::set<std::string>& expected, const QString& picture);
  void WaitUntilEnabled();

  static inline std::shared_ptr<FixtureDeviceSource> source_;
  ScriptedPrompter prompter_;
  AppSettings settings_;
  WizardContext context_;
  std::unique_ptr<CMainFrame> frame_;
  bool hintShown_ = false;
  ScopedVolumeAnalyzers restore_;
};

} // namespace test
} // namespace qm
