#include "wizard/services/search_runs.h"

#include <QtCore/QTimer>
#include <QtWidgets/QWidget>

#include <atomic>
#include <system_error>
#include <thread>

#include "dialogs/intelligent_searching_dlg.h"
#include "dialogs/lost_partition_searching_dlg.h"
#include "fatext2/partition_search_controllers.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/scan_state_store.h"
#include "platform/byte_view.h"
#include "platform/log.h"
#include "platform/worker_thread.h"
#include "raw/raw_tree_builder.h"
#include "raw/search_controllers.h"
#include "storage/app_settings.h"
#include "storage/partition_searcher.h"
#include "storage/partition_table.h"
#include "storage/searched_partition_info.h"
#include "storage/storage_device.h"
#include "wizard/services/tree_build_progress.h"

namespace qm {

void RunIntelligentSearchUnderDialog(IStorageDevice* device, SearchControllerList& controllers,
                                     std::vector<CSearchedPartitionInfo*>& partitions, QWidget* parent,
                                     Prompter& prompter, int recoveryMode,
                                     const std::function<void(CIntelligentSearchingDialog&)>& onShown) {
  CIntelligentSearchingDialog dialog(prompter, recoveryMode, parent);
  std::thread worker;
  try {
    worker = StartWorker([&] { RunIntelligentSearch(device, controllers, partitions, &dialog); });
  } catch (const std::system_error& error) {
    LogError("Intelligent search: no worker thread (%s)", error.what());
    return;
  }
  if (onShown) {
    QTimer::singleShot(0, &dialog, [&] { onShown(dialog); });
  }
  dialog.exec();
  // However the dialog ended, the sweep is stopped and waited for before
  // its results are read and the dialog goes.
  if (!dialog.IsFinished()) {
    dialog.RequestStop();
  }
  worker.join();
}

std::unique_ptr<CRawFileCollection> PrepareScanControllers(SearchControllerList& controllers) {
  BuildSearchControllerList(controllers);
  auto store = std::make_unique<CRawFileCollection>();
  DistributeRawFileCollection(controllers, store.get());
  return store;
}

bool BuildRawFileTree(CRawFileCollection* store, IStorageDevice* device, CFileNode* root, QWidget* mainWindow,
                      Prompter& prompter) {
  if (store == nullptr || root == nullptr) {
    return true;
  }
  CTreeBuildProgress progress(prompter, mainWindow);
  CRawTreeBuilder builder;
  store->GetIterator().First();
  CFileNode* tree = builder.Start(device, &store->GetIterator(), nullptr, &progress, 1);
  if (tree != nullptr) {
    root->AddChild(tree);
  }
  return !progress.IsStopped();
}

CFileNode* CreateScanRoot() {
  CFileSystemNode* root = CreateFileSystemNode();
  auto properties = std::make_unique<CMyFileProperties>();
  properties->SetName("Root");
  CMyFileProperties::Record record = properties->GetRecord();
  record.attributes = 0x10;
  properties->CopyRecord(record);
  properties->SetName("Root");
  root->SetProperties(std::move(properties));
  root->SetName("Root");
  return root;
}

std::uint32_t CountTreeFiles(CFileNode* root) {
  std::uint32_t files = 0;
  ForEachInSubtree(root, [&](CFileNode* node) {
    const IFileProperties* p = node->GetProperties();
    if (node != root && p != nullptr && (p->GetAttributes() & 0x10) == 0) {
      ++files;
    }
  });
  return files;
}

void FreeFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) {
  for (CSearchedPartitionInfo* partition : partitions) {
    delete partition;
  }
  partitions.clear();
}

void CLostPartitionFilter::Search(CScanStateRecord& disk, std::vector<LostPartitionRecord>& out) {
  CPartitionFATSearchController fat;
  CPartitionNTFSSearchController ntfs;
  CPartitionEXT2SearchController ext2;
  CPartitionSearcher searcher;
  searcher.SetDevice(disk.device);
  searcher.AddController(&fat);
  searcher.AddController(&ntfs);
  searcher.AddController(&ext2);
  searcher.BuildAlgorithms(static_cast<int>(ByteView(disk.bytes.data(), disk.bytes.size()).le32(8)));

  CLostPartitionSearchingDialog dialog(prompter_, mainWindow_);
  if (mainWindow_ != nullptr) {
    mainWindow_->setEnabled(false);
  }
  // The dialog stays usable over the disabled window.
  dialog.setEnabled(true);
  dialog.show();
  if (onShown) {
    QTimer::singleShot(0, &dialog, [&] { onShown(dialog); });
  }
  // The searcher runs its worker and pumps events until it has ended.
  searcher.Start(&dialog);
  dialog.GetFoundPartitions(out);
  dialog.hide();
  if (mainWindow_ != nullptr) {
    mainWindow_->setEnabled(true);
  }
}

void CLostPartitionFilter::FilterExisting(CScanStateRecord& disk, std::vector<LostPartitionRecord>& out) {
  std::vector<LostPartitionRecord> found;
  Search(disk, found);
  DiskPartitionList table;
  ReadDiskPartitionTable(disk.device, table);
  for (LostPartitionRecord& record : found) {
    bool listed = false;
    for (const auto& entry : table) {
      listed = listed || entry->startSector == record.startSector;
    }
    if (listed) {
      std::unique_ptr<IStorageDevice> device(record.partitionDevice);
      record.partitionDevice = nullptr;
    } else {
      out.push_back(record);
    }
  }
}

} // namespace qm
