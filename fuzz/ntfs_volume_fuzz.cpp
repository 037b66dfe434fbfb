// A small NTFS volume read through a sector device: the input (after one
// byte that picks the sector size and cluster size) is the start of an
// $MFT. Its record 0 gives the $MFT's runs; records 0 to 7 are read through
// them with their extension records, their attributes searched, their data
// gathered, packed, read through the content reader and read directly.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "ntfs/ntfs_extents.h"
#include "ntfs/ntfs_file_record.h"
#include "ntfs/recycle_bin.h"
#include "ntfs/system_files.h"
#include "support/memory_device.h"

namespace {

constexpr std::uint64_t kMftCluster = 4;
constexpr std::size_t kVolumeBytes = 256 * 1024;

class PackedProperties : public CMyFileProperties {
public:
  std::unique_ptr<IDataRunList> GetDataRunList() const override {
    return packed ? packed->Unpack() : nullptr;
  }
  std::unique_ptr<CPackedDataRunList> packed;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int32_t sectorSize = (data[0] & 1) ? 4096 : 512;
  const std::uint32_t clusterBytes = 512u << ((data[0] >> 1) % 4); // 512 to 4096
  if (clusterBytes % sectorSize != 0 && sectorSize > static_cast<std::int32_t>(clusterBytes)) return 0;
  qm::NtfsVolumeGeometry g;
  g.sectorSize = static_cast<std::uint32_t>(sectorSize);
  g.sectorsPerCluster = std::max<std::uint32_t>(clusterBytes / sectorSize, 1);
  g.recordSize = 1024;
  const std::uint64_t mftOffset = kMftCluster * g.ClusterBytes();
  std::vector<std::uint8_t> volume(kVolumeBytes, 0);
  std::memcpy(volume.data() + mftOffset, data + 1, std::min(size - 1, kVolumeBytes - mftOffset));
  qm::MemoryDevice device(std::move(volume), sectorSize);

  // The records are read through the runs that record 0 gives for the
  // $MFT (hostile as they may be) and through the runs of where it is.
  const qm::NtfsRunList bootstrap = {{static_cast<std::int64_t>(kMftCluster), 0, 8}};
  qm::NtfsRunList ownRuns;
  {
    std::vector<std::uint8_t> record;
    if (qm::ReadMftRecord(device, g, bootstrap, 0, record)) {
      std::uint64_t realSize = 0;
      const CNTFSFileRecordView view(record, false);
      CollectUnnamedDataRuns(view.Record(), false, ownRuns, realSize);
      SortByVcn(ownRuns);
    }
  }

  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(0, g.sectorsPerCluster);
  std::vector<std::uint8_t> buffer(64 * 1024);
  for (std::uint64_t step = 0; step < 16; ++step) {
    const qm::NtfsRunList& mftRuns = step < 8 ? ownRuns : bootstrap;
    const std::uint64_t n = step % 8;
    std::vector<std::uint8_t> bytes;
    if (!qm::ReadMftRecord(device, g, mftRuns, n, bytes)) continue;
    const auto at = qm::LocateMftRecord(g, mftRuns, n);
    if (!at) continue;
    const auto extensions = BuildExtensionRecordList(bytes, at->sector, device, g, mftRuns);
    CNTFSFileRecord file(bytes, at->sector, &device, extensions.value_or(qm::ExtensionRecordList{}),
                         at->offsetInSector);
    for (std::uint32_t type : {0x10u, 0x30u, 0x80u, 0x100u}) {
      for (unsigned i = 0; i < 16; ++i) {
        const auto found = file.FindAttributeAnywhere(type, i);
        if (!found) break;
        (void)NtfsReadAttributeData(found.attribute.bytes, buffer, 0, g.sectorsPerCluster, device);
      }
    }
    (void)ReadNtfsFileStreamForRecovery(file, buffer, 0, g.sectorsPerCluster, device);
    (void)NtfsLoadFileRecordAt(device, at->sector, extensions.value_or(qm::ExtensionRecordList{}),
                               at->offsetInSector);
    qm::NtfsFileExtents info;
    CollectFileDataRuns(file, g.ClusterBytes(), info);
    if (info.size <= 0 || !info.extents) continue;
    auto properties = std::make_unique<PackedProperties>();
    CMyFileProperties::Record fields;
    fields.size = static_cast<std::uint64_t>(info.size);
    properties->CopyRecord(fields);
    properties->SetName("$Ifuzz");
    properties->packed = std::move(info.extents);
    CFileNode* node = CreateFileNode();
    node->SetProperties(std::move(properties));
    root->AddChild(node);
    CFileContentReader reader;
    if (reader.Open(&device, node)) {
      std::uint64_t got = 0;
      reader.ReadAt(0, buffer.data(), 4096, &got);
      if (got > 4096) __builtin_trap();
      reader.ReadAt(fields.size - 1, buffer.data(), 4096, &got);
    }
    (void)ReadRecycleBinOriginalName(&device, node, node);
  }
  DeleteFileTree(root);
  return 0;
}
