// The root of one volume, found partition or carving result in the found-
// file tree: it knows the volume's geometry and state, its label, and keeps
// a running summary of how many files (and bytes) its tree holds and how
// many of them the user has checked for recovery.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "filemodel/file_node.h"

namespace qm {

// File-system type codes (volume state).
inline constexpr std::uint32_t kVolumeFat12 = 0;
inline constexpr std::uint32_t kVolumeFat16 = 1;
inline constexpr std::uint32_t kVolumeFat32 = 2;
inline constexpr std::uint32_t kVolumeNtfs = 3;
inline constexpr std::uint32_t kVolumeExt2 = 4;
inline constexpr std::uint32_t kVolumeExt3 = 5;
inline constexpr std::uint32_t kVolumeRaw = 6;
inline constexpr std::uint32_t kVolumeUnknown = 7;

// Files (nodes without the folder bit) of a subtree and how many of them
// are checked. Folders are never counted. Stored little-endian, 40 bytes,
// in this order.
struct SelectionSummary {
  std::uint32_t files = 0;
  std::uint32_t checkedFiles = 0;
  std::uint64_t bytes = 0;
  std::uint64_t checkedBytes = 0;
  std::uint32_t compressedFiles = 0;
  std::uint32_t checkedCompressedFiles = 0;
  std::uint32_t encryptedFiles = 0;
  std::uint32_t checkedEncryptedFiles = 0;

  static constexpr std::size_t kBytes = 40;
  void ToBytes(std::uint8_t* out) const;
  static SelectionSummary FromBytes(const std::uint8_t* in);
  bool operator==(const SelectionSummary&) const = default;
};

} // namespace qm

class CFileSystemNode : public CFileNode {
public:
  static constexpr std::size_t kPartitionRecordSize = 264;
  static constexpr std::size_t kMaxNameLength = 40;

  CFileSystemNode() = default;
  // Clears the summary, the partition record, the geometry and the name.
  ~CFileSystemNode() override;

  int IsFileSystemNode() const override { return 1; }
  int GetVolumeGeometry(std::uint64_t* baseSector, std::uint32_t* sectorsPerCluster) const override;
  std::uint32_t GetVolumeState() const override { return volumeState_; }
  // The node's own data: the summary with its checked fields as 0, the
  // geometry, the state and the name. Stream errors raise the stream's
  // exception. Returns 1.
  int Save(IRSData* stream) const override;
  // Reads what Save wrote. A name longer than Save ever writes raises the
  // stream's exception (out of range) before anything is read into it.
  int Load(IRSData* stream) override;

  void SetVolumeGeometry(std::uint64_t baseSector, std::uint32_t sectorsPerCluster);
  void SetVolumeState(std::uint32_t state) { volumeState_ = state; }
  // 264 opaque bytes that belong to the wizard; the tree only keeps them.
  int GetPartitionRecord(void* out) const;
  int SetPartitionRecord(const void* record);

  // Flips node's check state (2 becomes 0, anything else 2). With
  // thisNodeOnly non-zero only the node's own state changes. Otherwise the
  // whole subtree takes the new state, the ancestors' folder states are
  // recomputed from their children, and the summaries of the file-system
  // nodes among node, its ancestors and its descendants follow the change.
  // Returns 1.
  int ToggleCheck(CFileNode* node, int thisNodeOnly);
  // The node's properties' SetExtraValue; 0 without node or properties.
  std::uint32_t SetNodeValue(CFileNode* node, std::uint32_t value);
  int GetSelectionSummary(qm::SelectionSummary* out) const;
  const qm::SelectionSummary& Summary() const { return summary_; }
  // Recounts the whole summary of the subtree. Returns 1.
  int UpdateSelectionSummary();
  // Recomputes every folder's check state below this node from its
  // children (bottom-up), then the summary. Returns 1.
  int RefreshCheckStates();

  // The volume label, at most 40 characters; never null.
  const char* GetName() const { return name_.data(); }
  std::uint32_t GetNameLength() const { return nameLength_; }
  // Null clears the name; a longer text is cut to its first 40 characters
  // (never inside a UTF-8 sequence).
  void SetName(const char* name);

private:
  static qm::SelectionSummary CountSubtree(CFileNode* root, bool apply, std::uint8_t newState);
  void SettleCheckedCounts(bool allChecked);

  qm::SelectionSummary summary_;
  std::array<std::uint8_t, kPartitionRecordSize> partitionRecord_{};
  std::uint64_t baseSector_ = 0;
  std::uint32_t sectorsPerCluster_ = 0;
  std::uint32_t volumeState_ = qm::kVolumeUnknown;
  std::array<char, kMaxNameLength + 1> name_{};
  std::uint32_t nameLength_ = 0;
};

namespace qm {

// The check state a folder takes from its direct children: 0 when none is
// checked or partly checked, 2 when all are checked, else 1. A child
// without properties counts as unchecked.
std::uint8_t FolderCheckStateFromChildren(const CFileNode* folder);

} // namespace qm
