#include "filemodel/file_system_node.h"

#include <cstring>

#include "filemodel/rs_data.h"
#include "platform/byte_view.h"
#include "platform/log.h"

namespace qm {

void SelectionSummary::ToBytes(std::uint8_t* out) const {
  StoreLe32(out + 0, files);
  StoreLe32(out + 4, checkedFiles);
  StoreLe64(out + 8, bytes);
  StoreLe64(out + 16, checkedBytes);
  StoreLe32(out + 24, compressedFiles);
  StoreLe32(out + 28, checkedCompressedFiles);
  StoreLe32(out + 32, encryptedFiles);
  StoreLe32(out + 36, checkedEncryptedFiles);
}

SelectionSummary SelectionSummary::FromBytes(const std::uint8_t* in) {
  const ByteView view(in, kBytes);
  SelectionSummary s;
  s.files = view.le32(0);
  s.checkedFiles = view.le32(4);
  s.bytes = view.le64(8);
  s.checkedBytes = view.le64(16);
  s.compressedFiles = view.le32(24);
  s.checkedCompressedFiles = view.le32(28);
  s.encryptedFiles = view.le32(32);
  s.checkedEncryptedFiles = view.le32(36);
  return s;
}

std::uint8_t FolderCheckStateFromChildren(const CFileNode* folder) {
  std::uint32_t children = 0;
  std::uint32_t checked = 0;
  std::uint32_t partly = 0;
  for (const CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
    ++children;
    const IFileProperties* properties = child->GetProperties();
    const std::uint8_t state = properties != nullptr ? properties->GetCheckState() : kUnchecked;
    if (state == kChecked)
      ++checked;
    else if (state == kPartlyChecked)
      ++partly;
  }
  if (checked == 0 && partly == 0) return kUnchecked;
  return checked == children ? kChecked : kPartlyChecked;
}

namespace {

// One checked field moved by a delta. A this-node-only change leaves the
// summary behind the states until the next recount, so unchecking can
// take away more than the field holds: it stops at 0 instead of wrapping
// into counts of billions.
template <typename T>
void MoveChecked(T& checked, T deltaTotal, T deltaChecked, bool nowChecked) {
  if (nowChecked)
    checked += deltaTotal - deltaChecked;
  else
    checked = deltaChecked > checked ? 0 : checked - deltaChecked;
}

// Moves the checked fields of a summary by the delta of a subtree that
// has just been checked (everything in it is now checked) or unchecked
// (nothing in it is). The totals stay.
void AdjustSummary(SelectionSummary& summary, const SelectionSummary& delta, bool checked) {
  MoveChecked(summary.checkedFiles, delta.files, delta.checkedFiles, checked);
  MoveChecked(summary.checkedBytes, delta.bytes, delta.checkedBytes, checked);
  MoveChecked(summary.checkedCompressedFiles, delta.compressedFiles, delta.checkedCompressedFiles, checked);
  MoveChecked(summary.checkedEncryptedFiles, delta.encryptedFiles, delta.checkedEncryptedFiles, checked);
}

} // namespace
} // namespace qm

// Counts the files of a subtree into a summary and, when asked, sets every
// node of it (folders too) to a new check state. Counting uses the state a
// node had before the change.
qm::SelectionSummary CFileSystemNode::CountSubtree(CFileNode* root, bool apply, std::uint8_t newState) {
  using namespace qm;
  SelectionSummary sum;
  ForEachInSubtree(root, [&](CFileNode* node) {
    if (apply && node != root && node->IsFileSystemNode()) {
      // A volume inside the subtree: everything in it takes the new state
      // too, so its own checked counts become all or nothing.
      if (auto* inner = dynamic_cast<CFileSystemNode*>(node))
        inner->SettleCheckedCounts(newState == kChecked);
    }
    IFileProperties* properties = node->GetProperties();
    if (properties == nullptr) return;
    const std::uint16_t attributes = properties->GetAttributes();
    if ((attributes & kAttrFolder) == 0) {
      const bool checked = properties->GetCheckState() == kChecked;
      const std::uint64_t size = properties->GetSize();
      ++sum.files;
      sum.bytes += size;
      if (checked) {
        ++sum.checkedFiles;
        sum.checkedBytes += size;
      }
      if (attributes & kAttrCompressed) {
        ++sum.compressedFiles;
        if (checked) ++sum.checkedCompressedFiles;
      }
      if (attributes & kAttrEncrypted) {
        ++sum.encryptedFiles;
        if (checked) ++sum.checkedEncryptedFiles;
      }
    }
    if (apply) properties->SetCheckState(newState);
  });
  return sum;
}

void CFileSystemNode::SettleCheckedCounts(bool allChecked) {
  summary_.checkedFiles = allChecked ? summary_.files : 0;
  summary_.checkedBytes = allChecked ? summary_.bytes : 0;
  summary_.checkedCompressedFiles = allChecked ? summary_.compressedFiles : 0;
  summary_.checkedEncryptedFiles = allChecked ? summary_.encryptedFiles : 0;
}

CFileSystemNode::~CFileSystemNode() {
  summary_ = {};
  partitionRecord_.fill(0);
  baseSector_ = 0;
  sectorsPerCluster_ = 0;
  name_.fill('\0');
  nameLength_ = 0;
}

int CFileSystemNode::GetVolumeGeometry(std::uint64_t* baseSector, std::uint32_t* sectorsPerCluster) const {
  if (baseSector != nullptr) *baseSector = baseSector_;
  if (sectorsPerCluster != nullptr) *sectorsPerCluster = sectorsPerCluster_;
  return 1;
}

void CFileSystemNode::SetVolumeGeometry(std::uint64_t baseSector, std::uint32_t sectorsPerCluster) {
  baseSector_ = baseSector;
  sectorsPerCluster_ = sectorsPerCluster;
}

int CFileSystemNode::GetPartitionRecord(void* out) const {
  if (out != nullptr) std::memcpy(out, partitionRecord_.data(), kPartitionRecordSize);
  return 1;
}

int CFileSystemNode::SetPartitionRecord(const void* record) {
  if (record != nullptr) std::memcpy(partitionRecord_.data(), record, kPartitionRecordSize);
  return 1;
}

int CFileSystemNode::ToggleCheck(CFileNode* node, int thisNodeOnly) {
  if (node == nullptr) return 1;
  IFileProperties* properties = node->GetProperties();
  const std::uint8_t current = properties != nullptr ? properties->GetCheckState() : qm::kUnchecked;
  const std::uint8_t newState = current == qm::kChecked ? qm::kUnchecked : qm::kChecked;
  if (thisNodeOnly != 0) {
    if (properties != nullptr) properties->SetCheckState(newState);
    return 1;
  }
  const bool checked = newState == qm::kChecked;
  const qm::SelectionSummary delta = CountSubtree(node, true, newState);
  if (auto* fileSystem = dynamic_cast<CFileSystemNode*>(node))
    qm::AdjustSummary(fileSystem->summary_, delta, checked);
  for (CFileNode* ancestor = node->GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent()) {
    if (IFileProperties* ancestorProperties = ancestor->GetProperties())
      ancestorProperties->SetCheckState(qm::FolderCheckStateFromChildren(ancestor));
    if (auto* fileSystem = dynamic_cast<CFileSystemNode*>(ancestor))
      qm::AdjustSummary(fileSystem->summary_, delta, checked);
  }
  return 1;
}

std::uint32_t CFileSystemNode::SetNodeValue(CFileNode* node, std::uint32_t value) {
  if (node == nullptr || node->GetProperties() == nullptr) return 0;
  return node->GetProperties()->SetExtraValue(value);
}

int CFileSystemNode::GetSelectionSummary(qm::SelectionSummary* out) const {
  if (out != nullptr) *out = summary_;
  return 1;
}

int CFileSystemNode::UpdateSelectionSummary() {
  summary_ = CountSubtree(this, false, 0);
  return 1;
}

int CFileSystemNode::RefreshCheckStates() {
  qm::ForEachInSubtreeChildrenFirst(this, [](CFileNode* node) {
    IFileProperties* properties = node->GetProperties();
    if (properties != nullptr && properties->IsFolder())
      properties->SetCheckState(qm::FolderCheckStateFromChildren(node));
  });
  return UpdateSelectionSummary();
}

void CFileSystemNode::SetName(const char* name) {
  name_.fill('\0');
  nameLength_ = 0;
  if (name == nullptr) return;
  std::size_t length = ::strnlen(name, kMaxNameLength + 1);
  if (length > kMaxNameLength) {
    length = kMaxNameLength;
    // Cut before a UTF-8 sequence that the limit would split.
    const auto isContinuation = [&](std::size_t i) {
      return (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80;
    };
    if (isContinuation(length)) {
      while (length > 0 && isContinuation(length))
        --length;
      // length now stands on the lead byte of the split sequence; drop it
      // too.
    }
  }
  std::memcpy(name_.data(), name, length);
  nameLength_ = static_cast<std::uint32_t>(length);
}

int CFileSystemNode::Save(IRSData* stream) const {
  qm::SelectionSummary saved = summary_;
  // What the user had checked is not part of a saved tree.
  saved.checkedFiles = 0;
  saved.checkedBytes = 0;
  saved.checkedCompressedFiles = 0;
  saved.checkedEncryptedFiles = 0;
  std::uint8_t bytes[qm::SelectionSummary::kBytes];
  saved.ToBytes(bytes);
  stream->Write(bytes, sizeof bytes);
  qm::RSWrite(*stream, baseSector_);
  qm::RSWrite(*stream, sectorsPerCluster_);
  qm::RSWrite(*stream, volumeState_);
  qm::RSWrite(*stream, nameLength_);
  if (nameLength_ != 0) stream->Write(name_.data(), nameLength_);
  return 1;
}

int CFileSystemNode::Load(IRSData* stream) {
  std::uint8_t bytes[qm::SelectionSummary::kBytes];
  stream->Read(bytes, sizeof bytes);
  const qm::SelectionSummary summary = qm::SelectionSummary::FromBytes(bytes);
  const auto baseSector = qm::RSRead<std::uint64_t>(*stream);
  const auto sectorsPerCluster = qm::RSRead<std::uint32_t>(*stream);
  const auto volumeState = qm::RSRead<std::uint32_t>(*stream);
  const auto nameLength = qm::RSRead<std::uint32_t>(*stream);
  // The writer never stores more than 40 characters: a longer length is
  // damage, and reading on would take the following records for a name.
  if (nameLength > kMaxNameLength) {
    LogError("Saved volume node name length %u exceeds %u", nameLength,
             static_cast<unsigned>(kMaxNameLength));
    throw CRSException(qm::kRSBadHeaderValue);
  }
  std::array<char, kMaxNameLength + 1> name{};
  if (nameLength != 0) stream->Read(name.data(), nameLength);
  summary_ = summary;
  baseSector_ = baseSector;
  sectorsPerCluster_ = sectorsPerCluster;
  volumeState_ = volumeState;
  name_ = name;
  nameLength_ = nameLength;
  return 1;
}
