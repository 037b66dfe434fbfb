// The properties of one file of an NTFS tree: what the tree build read
// from its MFT record (name, size, attributes, times, state, extents), the
// sector of that record and its extension records, so that the record can
// be read again later for resident content and encryption metadata.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "filemodel/file_properties_base.h"
#include "filemodel/file_stream_source.h"
#include "filemodel/packed_data_run_list.h"
#include "filemodel/tree_object_pool.h"
#include "ntfs/ntfs_file_record.h"

class CFileNode;
class IStorageDevice;

// The plain record from which a tree build fills one file's properties.
struct NtfsFileInfo {
  std::string name;             // the program's 8-bit text
  std::uint16_t nameLength = 0; // as the tree build sets it
  std::uint64_t size = 0;
  std::uint16_t attributes = 0; // 0x10 folder, 0x40 encrypted, 0x800 compressed
  qm::FileTime creationTime = 0;
  qm::FileTime lastWriteTime = 0;
  qm::FileTime lastAccessTime = 0;
  std::uint8_t state = 0;
  std::uint8_t checkState = 0;
  std::uint8_t mark = 0;
  std::uint64_t recordSector = 0; // absolute sector where the MFT record starts
  std::unique_ptr<CPackedDataRunList> extents;
};

// The stream source comes first so that this class's small fields fill the
// tail of the shared part: 112 bytes a file, as many as before it shared.
class CNTFSFileProperties : public IFileStreamSource, public CFilePropertiesBase {
public:
  // More extension records than a file can have: a saved count above it is
  // damage.
  static constexpr std::uint64_t kMaxExtensionRecords = 65536;

  CNTFSFileProperties() = default;
  // From the tree-object pool: a large volume has millions.
  static void* operator new(std::size_t bytes) { return qm::AllocateTreeObject(bytes); }
  static void operator delete(void* properties, std::size_t bytes) noexcept {
    qm::FreeTreeObject(properties, bytes);
  }

  // As the tree build set it; it may count the name's terminator.
  std::uint32_t GetNameLength() const override { return nameLength_; }
  // Null changes nothing; else the name is the text and the length counts
  // its terminator.
  void SetName(const char* name) override;
  // Returns the previous value; keeps the low byte.
  std::uint32_t SetExtraValue(std::uint32_t value) override;
  // Name length, name (that many bytes), size, attributes, three times,
  // state, record sector, extents (u32 1 and the packed list, or u32 0),
  // extension-record count and pairs. Stream errors raise.
  int Save(IRSData* stream) const override;
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesNtfs; }
  // Reads what Save wrote; check state and mark start at 0. 0 for damage
  // (an unknown extents flag, unreadable extents, too many extension
  // records), the object then unchanged; stream errors raise.
  int Load(IRSData* stream) override;

  // IFileStreamSource: read through the file's MFT record.
  int ReadResidentData(CFileNode* node, IStorageDevice* device, std::uint32_t* length, std::uint8_t* buffer,
                       std::uint32_t bufferSize) override;
  int ReadEncryptionMetadata(CFileNode* node, IStorageDevice* device, std::uint32_t* length,
                             std::uint8_t* buffer, std::uint32_t bufferSize) override;

  // Copies every field and takes over the name and the extents.
  void Init(NtfsFileInfo&& info);
  void SetExtensionList(std::optional<qm::ExtensionRecordList> list) {
    extensions_ = list ? std::make_unique<qm::ExtensionRecordList>(std::move(*list)) : nullptr;
  }
  // Null when the record has no attribute list.
  const qm::ExtensionRecordList* GetExtensionList() const { return extensions_.get(); }
  std::uint64_t GetFileRecordSector() const { return recordSector_; }

private:
  std::uint16_t nameLength_ = 0; // in the shared part's tail
  std::uint64_t recordSector_ = 0;
  // Only records with an attribute list have one.
  std::unique_ptr<qm::ExtensionRecordList> extensions_;
};

std::unique_ptr<CNTFSFileProperties> CreateNtfsFileProperties();

// The MFT record of a file node of an NTFS tree, with its extension
// records, read again from the device. Null for a file-system node, a
// folder, a node without NTFS properties, or a record that is not valid.
std::unique_ptr<CNTFSFileRecord> NtfsLoadFileRecord(CFileNode* node, IStorageDevice* device);

// The resident content of the node's first unnamed $DATA: 1 with *length
// set when it fits the buffer, else 0.
int NtfsReadResidentFileData(CFileNode* node, IStorageDevice* device, std::uint32_t* length,
                             std::uint8_t* buffer, std::uint32_t bufferSize);
// The content of the node's $LOGGED_UTILITY_STREAM (encryption metadata):
// 1 with *length set, else 0.
int ReadNtfsFileStreamForRecovery(CFileNode* node, IStorageDevice* device, std::uint32_t* length,
                                  std::uint8_t* buffer, std::uint32_t bufferSize);
