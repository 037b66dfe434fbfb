// Builds the directory tree of a volume with the NTFS, FAT or EXT2 engine
// while the build-directory window is shown over the disabled main window,
// and remembers whether the user stopped the build.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

class CFileNode;
class IStorageDevice;
class QWidget;
struct AppSettings;

namespace qm {

class Prompter;
class CBuildDirectoryDlg;

// The flag word a FAT build's partition record gets: the boot sector kinds
// of FAT32 (12) or FAT12/16 (3), and the FAT copies the settings allow.
std::uint32_t FatBuildFlags(bool fat32, const AppSettings& settings);

// Which build a volume's file-system name chooses.
enum class TreeBuildKind { kNone, kNtfs, kFat, kFat32, kExt2 };
TreeBuildKind TreeBuildForFileSystem(std::string_view fileSystemName);

class CTreeBuildRunner {
public:
  // mainWindow is disabled during the build (may be null); settings give
  // the FAT copies to use; prompter asks the Cancel question (null: the
  // program's).
  CTreeBuildRunner(QWidget* mainWindow, const AppSettings& settings, Prompter* prompter = nullptr);

  // Each returns the tree's root, or null when nothing was built (a stopped
  // build gives null: the engine frees what it had built).
  CFileNode* BuildNtfsTree(IStorageDevice* device);
  CFileNode* BuildFatTree(IStorageDevice* device, bool fat32, int mode);
  CFileNode* BuildExt2Tree(IStorageDevice* device);
  // The build the file-system name chooses; null for any other name.
  CFileNode* BuildByName(std::string_view fileSystemName, IStorageDevice* device);

  bool IsStopped() const { return stopped_; }

  // Called with each build's window once it is shown, before the build
  // starts (tests look at the window or press its Cancel); empty removes it.
  static void SetDialogShownHook(std::function<void(CBuildDirectoryDlg&)> hook);

private:
  template <typename Build> CFileNode* Run(Build&& build);

  QWidget* mainWindow_;
  const AppSettings& settings_;
  Prompter* prompter_;
  bool stopped_ = false;
};

} // namespace qm
