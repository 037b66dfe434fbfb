#include "ntfs/ntfs_tree_linking.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "ntfs/ntfs_properties_build.h"
#include "ntfs/partition_display_name.h"
#include "ntfs/recycle_bin.h"
#include "storage/app_settings.h"

namespace {

constexpr std::size_t kMaxVolumeNameForNode = 64;

bool Cancelled(IDIRBuildCallback* callback) {
  return callback != nullptr && callback->Poll() == kCallbackCancel;
}
bool StepCancelled(IDIRBuildCallback* callback) {
  return callback != nullptr && callback->OnStep(1) == kCallbackCancel;
}

// Item indexes (entries, orphans) grouped by parent number, each group in
// ascending index order: the items of one parent are found without a search
// and with no allocation per item. Parents are record numbers, nearly all
// below a few times the number of items: those are grouped by a counting
// sort, four bytes an item and a parent; the few larger ones (unknown
// parents, damage) follow, sorted, and are found by a binary search.
class ParentIndex {
public:
  template <typename ParentOf> ParentIndex(std::size_t count, ParentOf&& parentOf) {
    std::uint64_t bound = 4 * std::uint64_t{count};
    std::uint64_t largest = 0;
    std::size_t small = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t parent = parentOf(i);
      if (parent < bound) {
        largest = std::max(largest, parent);
        ++small;
      }
    }
    bound_ = count == 0 ? 0 : largest + 1; // no more counters than parents
    start_.assign(static_cast<std::size_t>(bound_) + 1, 0);
    std::vector<std::pair<std::uint64_t, std::uint32_t>> large;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t parent = parentOf(i);
      if (parent < bound_)
        ++start_[static_cast<std::size_t>(parent) + 1];
      else
        large.emplace_back(parent, static_cast<std::uint32_t>(i));
    }
    for (std::size_t k = 1; k < start_.size(); ++k)
      start_[k] += start_[k - 1];
    order_.resize(small + large.size());
    // Each group's start moves on as it fills, to where the next group
    // starts; moved back by one they are the starts again.
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t parent = parentOf(i);
      if (parent < bound_) order_[start_[static_cast<std::size_t>(parent)]++] = static_cast<std::uint32_t>(i);
    }
    std::copy_backward(start_.begin(), start_.end() - 1, start_.end());
    start_[0] = 0;
    std::sort(large.begin(), large.end());
    largeParents_.reserve(large.size());
    for (std::size_t k = 0; k < large.size(); ++k) {
      largeParents_.push_back(large[k].first);
      order_[small + k] = large[k].second;
    }
  }

  std::span<const std::uint32_t> ItemsOf(std::uint64_t parent) const {
    if (parent < bound_) {
      const auto at = static_cast<std::size_t>(parent);
      return std::span<const std::uint32_t>(order_).subspan(start_[at], start_[at + 1] - start_[at]);
    }
    const auto [first, last] = std::equal_range(largeParents_.begin(), largeParents_.end(), parent);
    const std::size_t small = order_.size() - largeParents_.size();
    return std::span<const std::uint32_t>(order_).subspan(
        small + static_cast<std::size_t>(first - largeParents_.begin()),
        static_cast<std::size_t>(last - first));
  }

private:
  std::uint64_t bound_ = 0;
  std::vector<std::uint32_t> start_; // group k is order_[start_[k], start_[k + 1])
  std::vector<std::uint32_t> order_;
  std::vector<std::uint64_t> largeParents_; // of the last items of order_
};

// Gives a recycled data file the name its info file recorded, once both of
// a pair have been met among the children added to a folder.
void PairRecycled(CFileNode* child, std::vector<CFileNode*>& pending, IStorageDevice* device) {
  if (CFileNode* partner = FindRecycleBinPartner(pending, child)) {
    CFileNode* info = IsRecycleBinInfoFile(partner) ? partner : child;
    CFileNode* data = info == partner ? child : partner;
    ReadRecycleBinOriginalName(device, data, info);
  }
}

bool IsFolderNode(const CFileNode* node) {
  return node->GetProperties() != nullptr && node->GetProperties()->IsFolder();
}

// The recycle-bin pairing for the folders below top (orphans, which were
// linked without it), walked with a flag that says whether a recycle-bin
// folder lies above.
void PairRecycledBelow(CFileNode* top, IStorageDevice* device) {
  std::vector<std::pair<CFileNode*, bool>> stack{{top, IsInRecycleBin(top)}};
  std::vector<CFileNode*> pending;
  while (!stack.empty()) {
    const auto [folder, inBin] = stack.back();
    stack.pop_back();
    pending.clear();
    for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
      if (inBin) PairRecycled(child, pending, device);
      if (IsFolderNode(child)) stack.emplace_back(child, inBin || IsRecycleBinFolder(child));
    }
  }
}

CFileNode* NodeFromEntry(NtfsRecordEntry& entry) {
  CFileNode* node = CreateFileNode();
  node->SetProperties(std::unique_ptr<IFileProperties>(std::move(entry.properties)));
  return node;
}

} // namespace

CFileNode* MakeLostFilesFolder(qm::LostFilesCounter& counter) {
  char name[32];
  std::snprintf(name, sizeof name, "LostFiles%d", ++counter.last);
  NtfsFileInfo info;
  info.name = name;
  info.nameLength = static_cast<std::uint16_t>(info.name.size());
  info.attributes = qm::kAttrFolder;
  info.state = qm::kStateTemporary;
  auto properties = CreateNtfsFileProperties();
  properties->Init(std::move(info));
  CFileNode* folder = CreateFileNode();
  folder->SetProperties(std::move(properties));
  return folder;
}

CFileSystemNode* MakeNtfsRootNode(std::uint64_t firstSector, std::uint32_t sectorsPerCluster,
                                  int partitionNumber, std::string_view volumeName) {
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(firstSector, sectorsPerCluster);
  root->SetVolumeState(qm::kVolumeNtfs);
  auto properties = CreateMyFileProperties();
  CMyFileProperties::Record record;
  record.attributes = qm::kAttrFolder;
  record.validFields = qm::kValidName | qm::kValidAttributes;
  properties->CopyRecord(record);
  const std::string display = FormatPartitionDisplayName(*GetAppSettings(), "NTFS", partitionNumber + 1);
  properties->SetName(display.c_str());
  root->SetProperties(std::move(properties));
  if (!volumeName.empty() && volumeName.size() <= kMaxVolumeNameForNode)
    root->SetName(std::string(volumeName).c_str());
  return root;
}

bool LinkOrphans(std::span<NtfsRecordEntry> entries, CFileNode* root, IStorageDevice* device,
                 IDIRBuildCallback* callback, qm::LostFilesCounter& counter) {
  // Every orphan becomes a node first; index i of the vectors below is the
  // i-th orphan.
  std::vector<std::uint32_t> orphanEntry;
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].properties) orphanEntry.push_back(static_cast<std::uint32_t>(i));
  if (orphanEntry.empty()) return true;
  const std::size_t count = orphanEntry.size();
  std::vector<CFileNode*> nodes(count);
  std::vector<std::uint64_t> numbers(count);
  std::vector<std::uint8_t> folder(count);
  for (std::size_t i = 0; i < count; ++i) {
    NtfsRecordEntry& entry = entries[orphanEntry[i]];
    numbers[i] = entry.recordNumber;
    folder[i] = entry.isFolder != 0 ? 1 : 0;
    nodes[i] = NodeFromEntry(entry);
  }
  const ParentIndex byParent(count, [&](std::size_t i) { return entries[orphanEntry[i]].parentNumber; });

  // Union-find over the orphans, each set a subtree; top[] of a set's
  // representative is the subtree's topmost orphan. A child may join a
  // folder unless it is the top of the folder's own subtree (it would
  // become its own ancestor).
  std::vector<std::uint32_t> link(count);
  std::vector<std::uint32_t> top(count);
  for (std::uint32_t i = 0; i < count; ++i)
    link[i] = top[i] = i;
  auto find = [&link](std::uint32_t i) {
    std::uint32_t r = i;
    while (link[r] != r)
      r = link[r];
    while (link[i] != r) {
      const std::uint32_t next = link[i];
      link[i] = r;
      i = next;
    }
    return r;
  };
  std::vector<std::uint8_t> adopted(count);
  bool cancelled = false;
  for (std::uint32_t f = 0; f < count && !cancelled; ++f) {
    if (!folder[f] || numbers[f] == qm::kNoNumber || numbers[f] <= qm::kLastReservedRecord) continue;
    for (const std::uint32_t child : byParent.ItemsOf(numbers[f])) {
      if (child == f || adopted[child]) continue;
      const std::uint32_t folderSet = find(f);
      if (top[folderSet] == child) continue;
      nodes[f]->AddChild(nodes[child]);
      adopted[child] = 1;
      const std::uint32_t childSet = find(child);
      link[childSet] = folderSet;
    }
    if (StepCancelled(callback)) cancelled = true;
  }

  CFileNode* lost = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    if (adopted[i]) continue;
    if (lost == nullptr) lost = MakeLostFilesFolder(counter);
    lost->AddChild(nodes[i]);
  }
  if (lost != nullptr) {
    root->AddChild(lost);
    PairRecycledBelow(lost, device);
  }
  return !cancelled;
}

CFileNode* BuildTreeFromRecords(NtfsRecordCollection& collection, std::uint64_t partitionStart,
                                IStorageDevice* device, IDIRBuildCallback* callback,
                                qm::LostFilesCounter& counter) {
  CFileNode* root = collection.root;
  if (root == nullptr) return nullptr;
  std::span<NtfsRecordEntry> entries(collection.entries);
  const ParentIndex byParent(entries.size(), [&entries](std::size_t i) { return entries[i].parentNumber; });
  std::vector<std::uint8_t> taken(entries.size());

  struct Pending {
    CFileNode* node;
    std::uint64_t key;
    bool inRecycleBin;
  };
  std::deque<Pending> queue{{root, qm::kNtfsRootRecord, false}};
  std::vector<CFileNode*> recyclePending;
  while (!queue.empty()) {
    const Pending current = queue.front();
    queue.pop_front();
    recyclePending.clear();
    for (const std::uint32_t i : byParent.ItemsOf(current.key)) {
      if (taken[i]) continue;
      taken[i] = 1;
      NtfsRecordEntry& entry = entries[i];
      if (entry.properties) {
        CFileNode* child = current.node->AddChild(NodeFromEntry(entry));
        if (entry.isFolder != 0) {
          std::uint64_t key = entry.recordNumber;
          if (key == qm::kNoNumber)
            key = SectorToRecordNumber(collection.mft, entry.recordSector, partitionStart);
          if (key != qm::kNoNumber)
            queue.push_back({child, key, current.inRecycleBin || IsRecycleBinFolder(child)});
        }
        if (callback != nullptr && callback->OnStep(1) == kCallbackCancel) return root;
        if (current.inRecycleBin) PairRecycled(child, recyclePending, device);
      }
      if (Cancelled(callback)) return root;
    }
  }
  LinkOrphans(entries, root, device, callback, counter);
  return root;
}
