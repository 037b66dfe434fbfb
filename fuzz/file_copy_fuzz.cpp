// Copying a found file out when its extents and its clusters are hostile:
// runs of any length and place, compression units that do not decode,
// holes. The copy must end, stay inside the device and write no more than
// the file's size.
//
// Input: byte 0 picks sectors per cluster (low 2 bits: 1, 2, 4 or 8) and
// the kind of file (bit 2 compressed, bit 3 an EXT2 sparse file); bytes 1-2
// are the size in units of 16 bytes; then NTFS mapping pairs up to their 0
// byte give the runs; the rest is the device, 512-byte sectors.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/mapping_pairs.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint32_t kSectorBytes = 512;

class BytesDevice : public IStorageDevice {
public:
  explicit BytesDevice(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first > GetSectorCount() || count > GetSectorCount() - first) return 0;
    std::memcpy(buffer, bytes_.data() + first * kSectorBytes, count * kSectorBytes);
    return 1;
  }
  std::uint64_t GetSectorCount() override { return bytes_.size() / kSectorBytes; }
  std::int32_t GetSectorSize() override { return kSectorBytes; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  std::vector<std::uint8_t> bytes_;
};

class FuzzProperties : public IFileProperties {
public:
  FuzzProperties(std::uint64_t size, std::uint16_t attributes, std::uint32_t type, std::vector<DataRunEntry> runs)
      : size_(size), attributes_(attributes), type_(type), runs_(std::move(runs)) {}
  std::uint32_t GetNameLength() const override { return 1; }
  void SetName(const char*) override {}
  const char* GetName() const override { return "f"; }
  std::uint64_t GetSize() const override { return size_; }
  std::uint16_t GetAttributes() const override { return attributes_; }
  const char* GetDescription() const override { return ""; }
  qm::FileTime* GetCreationTime(qm::FileTime* out) const override { return &(*out = 0); }
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override { return &(*out = 0); }
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override { return &(*out = 0); }
  std::uint16_t GetState() const override { return 0; }
  std::uint8_t GetCheckState() const override { return qm::kChecked; }
  void SetCheckState(std::uint8_t) override {}
  std::unique_ptr<IDataRunList> GetDataRunList() const override {
    auto list = std::make_unique<CNoneResidentNTFSDataRunList>();
    for (const DataRunEntry& run : runs_) list->AddRun(run);
    return list;
  }
  std::uint32_t GetValidFields() const override { return 0; }
  std::uint32_t GetExtraValue() const override { return 0; }
  std::uint32_t SetExtraValue(std::uint32_t) override { return 0; }
  int Save(IRSData*) const override { return 0; }
  std::uint32_t GetTypeCode() const override { return type_; }
  int Load(IRSData*) override { return 0; }

private:
  std::uint64_t size_;
  std::uint16_t attributes_;
  std::uint32_t type_;
  std::vector<DataRunEntry> runs_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint32_t sectorsPerCluster = 1u << (data[0] & 3);
  const bool compressed = (data[0] & 4) != 0;
  const bool ext2Sparse = (data[0] & 8) != 0;
  const std::uint64_t fileSize = std::uint64_t{static_cast<std::uint16_t>(data[1] | data[2] << 8)} * 16;
  const qm::ByteView rest(data + 3, size - 3);
  const std::size_t pairsLength = qm::MappingPairsLength(rest);
  std::vector<DataRunEntry> runs;
  qm::DecodeMappingPairs(rest.sub(0, pairsLength), runs);
  std::vector<std::uint8_t> bytes(data + 3 + pairsLength, data + size);
  bytes.resize((bytes.size() + kSectorBytes - 1) / kSectorBytes * kSectorBytes);
  BytesDevice device(std::move(bytes));

  std::uint16_t attributes = 0;
  if (compressed) attributes |= qm::kAttrCompressed;
  if (ext2Sparse) attributes |= qm::kAttrSparse;
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(0, sectorsPerCluster);
  root->SetVolumeState(ext2Sparse ? qm::kVolumeExt2 : qm::kVolumeNtfs);
  CFileNode* file = root->AddChild(CreateFileNode());
  file->SetProperties(std::make_unique<FuzzProperties>(fileSize, attributes,
                                                       ext2Sparse ? qm::kPropertiesExt2 : qm::kPropertiesNtfs,
                                                       std::move(runs)));
  static const std::string target = "/tmp/qm_file_copy_fuzz_" + std::to_string(::getpid());
  qm::SaveContext context{nullptr, &device};
  SaveOneFile(context, file, target);
  struct stat info{};
  if (::stat(target.c_str(), &info) == 0 && static_cast<std::uint64_t>(info.st_size) > fileSize) __builtin_trap();
  ::unlink(target.c_str());
  DeleteFileTree(root);
  return 0;
}
