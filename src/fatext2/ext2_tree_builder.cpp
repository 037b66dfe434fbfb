#include "fatext2/ext2_tree_builder.h"

#include <cxxabi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <typeinfo>

#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_dir_iterator.h"
#include "fatext2/ext2_exceptions.h"
#include "fatext2/ext2_file_properties.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_inode.h"
#include "fatext2/ext2_inode_extents.h"
#include "fatext2/ext2_inode_table_cursor.h"
#include "fatext2/ext2_reused_blocks.h"
#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "ntfs/carved_files_seam.h"
#include "ntfs/cluster_use_bitmap.h"
#include "ntfs/partition_display_name.h"
#include "ntfs/tree_build_filters.h"
#include "platform/log.h"
#include "platform/message_pump.h"
#include "platform/out_of_memory.h"
#include "platform/worker_thread.h"
#include "storage/app_settings.h"

namespace {

constexpr std::uint32_t kRootInode = 2;

CExt2FileProperties* PropertiesOf(CFileNode* node) {
  // Every node of this tree carries EXT2 properties.
  return static_cast<CExt2FileProperties*>(node->GetProperties());
}

std::string LostName(std::uint32_t inode) {
  char name[32];
  std::snprintf(name, sizeof name, "Inode_%lx", static_cast<unsigned long>(inode));
  return name;
}

// Attaches node below parent unless that would close a cycle: node is the
// parent itself or one of its ancestors. The walk up follows parent links
// of a tree, so it ends at the top.
bool AttachUnlessCycle(CFileNode* parent, CFileNode* node) {
  for (CFileNode* above = parent; above != nullptr; above = above->GetParent())
    if (above == node) return false;
  parent->AddChild(node);
  return true;
}

void LogWalkError(const std::exception& error) {
  const char* mangled = typeid(error).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  WriteExt2ErrorLog(status == 0 && demangled != nullptr ? demangled : mangled);
  std::free(demangled);
  WriteExt2ErrorLog(error.what());
}

// An inode object in collected memory, released at the end of its scope.
class CollectedInode {
public:
  CollectedInode() : inode_(qm::ext2::NewCollectedInode()) {}
  ~CollectedInode() { qm::ext2::FreeCollectedInode(inode_); }
  CollectedInode(const CollectedInode&) = delete;
  CollectedInode& operator=(const CollectedInode&) = delete;
  CExt2Inode& operator*() const { return *inode_; }
  CExt2Inode* operator->() const { return inode_; }

private:
  CExt2Inode* inode_;
};

// Removes the files whose names the user's choice of file types refuses;
// folders stay.
void PruneByExtension(CFileNode* root) {
  const ExtensionFilter* filter = GetExtensionFilter();
  std::vector<CFileNode*> refused;
  qm::ForEachInSubtree(root, [&](CFileNode* node) {
    IFileProperties* properties = node->GetProperties();
    if (node == root || properties == nullptr || properties->IsFolder()) return;
    if (!filter->Accepts(properties->GetName(), 0)) refused.push_back(node);
  });
  for (CFileNode* node : refused) {
    node->GetParent()->RemoveChild(node);
    DeleteFileTree(node);
  }
}

} // namespace

CExt2TreeBuilder::~CExt2TreeBuilder() {
  for (auto& [number, node] : m_unplaced)
    DeleteFileTree(node);
}

CFileSystemNode* CExt2TreeBuilder::MakeRoot(CExt2FileSystem& fileSystem) {
  const int type = fileSystem.GetFileSystemType();
  const char* typeName = type == 4 ? "Ext2" : type == 5 ? "Ext3" : "Ext?";
  CFileSystemNode* root = CreateFileSystemNode();
  auto properties = CreateExt2FileProperties();
  const std::string name =
      FormatPartitionDisplayName(*GetAppSettings(), typeName, static_cast<int>(m_nPartitionNumber) + 1);
  properties->SetName(name.c_str());
  properties->SetAttributes(qm::kAttrFolder);
  properties->SetInodeNumber(kRootInode);
  root->SetProperties(std::move(properties));
  root->SetVolumeState(static_cast<std::uint32_t>(type));
  const std::int64_t base = fileSystem.GetBlockSector(0);
  root->SetVolumeGeometry(base < 0 ? 0 : static_cast<std::uint64_t>(base), fileSystem.SectorsPerBlock());
  const std::string label = fileSystem.GetLabel();
  if (!label.empty()) root->SetName(label.c_str());
  return root;
}

CFileNode* CExt2TreeBuilder::BuildTree(CExt2FileSystem* fileSystem, IDIRBuildCallback* callback,
                                       bool usedBlocks) {
  if (fileSystem == nullptr) return nullptr;
  qm::ext2::CollectorThreadScope collector;
  m_pCallback = callback;
  m_bCancelled = 0;
  for (auto& [number, node] : m_unplaced)
    DeleteFileTree(node);
  m_unplaced.clear();
  m_waiting.clear();
  m_usedBlocks.clear();
  m_bWantUsedBlocks = usedBlocks;

  CFileSystemNode* root = MakeRoot(*fileSystem);
  try {
    CollectedInode rootInode;
    rootInode->Load(fileSystem, kRootInode);
    if (rootInode->IsInUse()) ReadDirectory(*rootInode, root);
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (const std::exception&) {
    // A root directory that cannot be read leaves every file to the walk.
  }
  if (usedBlocks) m_usedBlocks.assign(fileSystem->BlockCount(), false);

  WalkInodes(*fileSystem);

  if (m_bCancelled != 0 || !AttachLeftovers(root)) {
    Discard(root);
    return nullptr;
  }
  m_waiting.clear();
  // Before the pruning: a file that the user's choice of types hides still
  // tells which older files lost their blocks to it.
  MarkReusedDeletedFiles(root, *fileSystem);
  PruneByExtension(root);
  if (m_pCallback != nullptr) m_pCallback->OnEnd();
  return root;
}

void CExt2TreeBuilder::WalkInodes(CExt2FileSystem& fileSystem) {
  if (m_pCallback != nullptr) m_pCallback->OnBegin(qm::kExt2ReadingFilesTitle, fileSystem.GroupCount());
  const CExt2SuperBlock& superBlock = fileSystem.SuperBlock();
  CExt2InodeTableCursor cursor = fileSystem.FirstInodeCursor();
  const CExt2InodeTableCursor end = fileSystem.EndInodeCursor();
  // One collected inode object for the whole walk: every slot is copied
  // into it in turn.
  CollectedInode inode;
  std::uint32_t previousGroup = UINT32_MAX;
  for (; !(cursor == end); cursor.Next()) {
    const std::uint32_t number = cursor.GetNumber();
    if (m_pCallback != nullptr) {
      const std::uint32_t group = superBlock.InodeGroup(number);
      if (group != previousGroup && previousGroup != UINT32_MAX) m_pCallback->OnStep(1);
      previousGroup = group;
      if (m_pCallback->Poll() == kCallbackCancel) {
        m_bCancelled = 1;
        return;
      }
    }
    try {
      cursor.Read(*inode);
    } catch (const std::out_of_range& error) {
      // The rest of the inode tables lie beyond the device.
      LogWalkError(error);
      return;
    } catch (const qm::OutOfMemoryException&) {
      throw; // the memory crash, never a bad record
    } catch (const std::exception&) {
      continue; // this slot is unreadable; the others are not
    }
    if (!inode->IsInUse()) continue;
    try {
      AddInode(*inode);
    } catch (const qm::OutOfMemoryException&) {
      throw; // the memory crash, never a bad record
    } catch (const std::exception& error) {
      LogWalkError(error);
    }
  }
}

void CExt2TreeBuilder::AddInode(const CExt2Inode& inode) {
  CFileNode* node = CreateFileNode();
  try {
    node->SetProperties(qm::ext2::MakeFileProperties(inode, UsedBlockMap()));
  } catch (...) {
    DeleteFileTree(node);
    throw;
  }
  const std::uint32_t number = inode.GetNumber();
  bool placed = false;
  if (const auto waiting = m_waiting.find(number); waiting != m_waiting.end()) {
    CFileNode* directory = waiting->second;
    m_waiting.erase(waiting);
    const std::string name = PropertiesOf(directory)->TakeChildName(number);
    PropertiesOf(node)->SetName((name.empty() ? LostName(number) : name).c_str());
    placed = AttachUnlessCycle(directory, node);
  }
  // A node that no directory holds yet stays here (owned) until one names
  // it or the leftovers go to the root.
  if (!placed) m_unplaced[number] = node;
  if (inode.IsDirectory() && !inode.UsesExtents()) ReadDirectory(inode, node);
}

void CExt2TreeBuilder::ReadDirectory(const CExt2Inode& directory, CFileNode* node) {
  try {
    const CExt2DirIterator end = directory.EntriesEnd();
    for (CExt2DirIterator it = directory.Entries(); !(it == end); it.Next()) {
      try {
        const CExt2Inode child = it.MakeInode();
        if (!child.IsInUse()) continue;
        const std::string_view name = child.Name();
        if (name == "." || name == "..") continue;
        const std::uint32_t number = child.GetNumber();
        if (const auto unplaced = m_unplaced.find(number); unplaced != m_unplaced.end()) {
          CFileNode* found = unplaced->second;
          PropertiesOf(found)->SetName((name.empty() ? LostName(number) : std::string(name)).c_str());
          // A directory that lists one of its own ancestors would close a
          // loop: the node then stays unplaced and ends up below the root
          // with its subtree instead of being lost.
          if (AttachUnlessCycle(node, found)) m_unplaced.erase(unplaced);
        } else {
          PropertiesOf(node)->StoreChildName(number, std::string(name));
          m_waiting[number] = node;
        }
      } catch (const qm::OutOfMemoryException&) {
        throw; // the memory crash, never a bad record
      } catch (const std::exception&) {
        // This entry is skipped; the next one may be sound.
      }
    }
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (const std::exception&) {
    // The directory's blocks could not be walked further.
  }
}

bool CExt2TreeBuilder::AttachLeftovers(CFileNode* root) {
  if (m_pCallback != nullptr)
    m_pCallback->OnBegin(qm::kExt2BuildingTitle, static_cast<std::uint32_t>(m_unplaced.size()));
  while (!m_unplaced.empty()) {
    const auto first = m_unplaced.begin();
    if (m_pCallback != nullptr) {
      m_pCallback->OnStep(1);
      if (m_pCallback->Poll() == kCallbackCancel) {
        m_bCancelled = 1;
        return false;
      }
    }
    CFileNode* node = first->second;
    if (PropertiesOf(node)->GetNameLength() == 0) PropertiesOf(node)->SetName(LostName(first->first).c_str());
    root->AddChild(node);
    m_unplaced.erase(first);
  }
  return true;
}

void CExt2TreeBuilder::Discard(CFileNode* root) {
  for (auto& [number, node] : m_unplaced)
    DeleteFileTree(node);
  m_unplaced.clear();
  m_waiting.clear();
  DeleteFileTree(root);
}

CFileNode* CExt2TreeBuilder::StartWithRaw(CExt2FileSystem* fileSystem, IDIRBuildCallback* callback,
                                          CRawFileCollection* carved, std::uint32_t partitionNumber) {
  if (fileSystem == nullptr) return nullptr;
  m_nPartitionNumber = partitionNumber;
  qm::ext2::InitCollector();
  std::atomic<bool> done{false};
  CFileNode* root = nullptr;
  std::thread worker;
  try {
    worker = qm::StartWorker([&] {
      {
        qm::ext2::CollectorThreadScope collector;
        try {
          root = BuildTree(fileSystem, callback, true);
          const std::uint64_t blocks = fileSystem->BlockCount();
          const std::int64_t base = fileSystem->GetBlockSector(0);
          if (root != nullptr && m_usedBlocks.size() >= blocks && base >= 0) {
            const CClusterUseBitMap used(&m_usedBlocks, static_cast<std::uint64_t>(base),
                                         static_cast<std::uint8_t>(fileSystem->SectorsPerBlock()), blocks);
            AddCarvedFilesInUnusedClusters(root, used, carved, fileSystem->GetDevice(), callback);
          }
        } catch (const qm::OutOfMemoryException&) {
          throw; // the memory crash, reported by the worker's handler
        } catch (const std::exception& error) {
          LogError("Ext2 tree build failed: %s\n", error.what());
        }
      }
      done = true;
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  qm::WaitPumping([&] { return done.load(); });
  worker.join();
  return root;
}

CFileNode* CExt2LostPartitionTreeBuilder::Start(IStorageDevice* device, IDIRBuildCallback* callback,
                                                std::uint64_t superBlockSector, bool usedBlocks) {
  if (device == nullptr) return nullptr;
  qm::ext2::InitCollector();
  std::atomic<bool> done{false};
  CFileNode* root = nullptr;
  std::thread worker;
  try {
    worker = qm::StartWorker([&] {
      {
        qm::ext2::CollectorThreadScope collector;
        try {
          CExt2FileSystem fileSystem(device, superBlockSector);
          CExt2TreeBuilder builder;
          root = builder.BuildTree(&fileSystem, callback, usedBlocks);
        } catch (const qm::OutOfMemoryException&) {
          throw; // the memory crash, reported by the worker's handler
        } catch (const std::exception& error) {
          LogError("Ext2 tree build failed: %s\n", error.what());
          root = nullptr;
        }
      }
      done = true;
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  qm::WaitPumping([&] { return done.load(); });
  worker.join();
  return root;
}
