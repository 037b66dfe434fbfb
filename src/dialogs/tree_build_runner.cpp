#include "dialogs/tree_build_runner.h"

#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include "dialogs/build_directory_dlg.h"
#include "fatext2/ext2_tree_builder.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_system_node.h"
#include "ntfs/ntfs_tree_builder.h"
#include "platform/log.h"
#include "platform/out_of_memory.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"

namespace qm {

namespace {

std::function<void(CBuildDirectoryDlg&)>& ShownHook() {
  static std::function<void(CBuildDirectoryDlg&)> hook;
  return hook;
}

} // namespace

void CTreeBuildRunner::SetDialogShownHook(std::function<void(CBuildDirectoryDlg&)> hook) {
  ShownHook() = std::move(hook);
}

std::uint32_t FatBuildFlags(bool fat32, const AppSettings& settings) {
  std::uint32_t flags = fat32 ? 12 : 3;
  if (settings.bUseFirstFat != 0) flags += 192;
  if (settings.bUseSecondFat != 0) flags += 768;
  return flags;
}

TreeBuildKind TreeBuildForFileSystem(std::string_view name) {
  if (name == "NTFS") return TreeBuildKind::kNtfs;
  if (name == "FAT12" || name == "FAT16") return TreeBuildKind::kFat;
  if (name == "FAT32") return TreeBuildKind::kFat32;
  if (name == "EXT2" || name == "EXT3") return TreeBuildKind::kExt2;
  return TreeBuildKind::kNone;
}

CTreeBuildRunner::CTreeBuildRunner(QWidget* mainWindow, const AppSettings& settings, Prompter* prompter)
    : mainWindow_(mainWindow), settings_(settings), prompter_(prompter) {}

template <typename Build> CFileNode* CTreeBuildRunner::Run(Build&& build) {
  CBuildDirectoryDlg dialog(nullptr, prompter_);
  CDIRBuildCallback callback(dialog);
  if (mainWindow_ != nullptr) {
    mainWindow_->setEnabled(false);
    dialog.move(mainWindow_->mapToGlobal(mainWindow_->rect().center()) - dialog.rect().center());
  }
  dialog.show();
  dialog.raise();
  if (ShownHook()) ShownHook()(dialog);
  CFileNode* root = nullptr;
  try {
    root = build(&callback);
  } catch (const OutOfMemoryException&) {
    throw; // the memory crash, not a failed build
  } catch (const std::exception& error) {
    LogError("The directory build failed: %s", error.what());
    root = nullptr;
  }
  if (dialog.CheckStop() == kStopCode) {
    stopped_ = true;
    // An engine that finished before it saw the stop still handed a tree
    // back: the user asked for none.
    if (root != nullptr) {
      DeleteFileTree(root);
      root = nullptr;
    }
  }
  dialog.hide();
  if (mainWindow_ != nullptr) mainWindow_->setEnabled(true);
  return root;
}

CFileNode* CTreeBuildRunner::BuildNtfsTree(IStorageDevice* device) {
  return Run([&](IDIRBuildCallback* callback) {
    CNtfsTreeBuilder builder;
    builder.SetThreads(0); // the $MFT's records are checked on every core
    return builder.Start(0, device, callback);
  });
}

CFileNode* CTreeBuildRunner::BuildFatTree(IStorageDevice* device, bool fat32, int mode) {
  return Run([&](IDIRBuildCallback* callback) -> CFileNode* {
    if (device == nullptr) return nullptr;
    CFATSearchedPartitionInfo partition(static_cast<std::uint32_t>(device->GetSectorSize()));
    partition.AddFlags(FatBuildFlags(fat32, settings_));
    CFatTreeBuilder builder;
    return builder.StartQuickBuild(callback, partition, device, mode);
  });
}

CFileNode* CTreeBuildRunner::BuildExt2Tree(IStorageDevice* device) {
  return Run([&](IDIRBuildCallback* callback) -> CFileNode* {
    if (device == nullptr) return nullptr;
    return CExt2LostPartitionTreeBuilder::Start(device->Get512ByteSectorDevice(), callback, 2, false);
  });
}

CFileNode* CTreeBuildRunner::BuildByName(std::string_view name, IStorageDevice* device) {
  switch (TreeBuildForFileSystem(name)) {
  case TreeBuildKind::kNtfs:
    return BuildNtfsTree(device);
  case TreeBuildKind::kFat:
    return BuildFatTree(device, false, 0);
  case TreeBuildKind::kFat32:
    return BuildFatTree(device, true, 0);
  case TreeBuildKind::kExt2:
    return BuildExt2Tree(device);
  case TreeBuildKind::kNone:
    break;
  }
  return nullptr;
}

} // namespace qm
