// MFT record and boot-sector decoding over arbitrary bytes: header test,
// fix-up and validation (which must leave the buffer unchanged), attribute
// lookups, field readers, mapping pairs, system-file tests, label and
// cluster-size guess.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_extents.h"
#include "ntfs/ntfs_file_record.h"
#include "ntfs/system_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the buffer length, so short buffers get tried too.
  const std::size_t lengths[] = {1024, 4096, 1000, 2048};
  const std::size_t length = size > 0 ? lengths[data[0] % 4] : 1024;
  std::vector<std::uint8_t> record(length, 0);
  if (size > 1) std::memcpy(record.data(), data + 1, std::min(size - 1, length));
  const std::vector<std::uint8_t> before = record;

  CNTFSDBR dbr;
  if (dbr.Load(qm::ByteView(record.data(), record.size()))) {
    (void)dbr.GetFileRecordSize();
    (void)dbr.HasUsableFileRecordSize();
  }

  (void)IsFileRecordHeader(qm::ByteView(record.data(), record.size()));
  (void)IsValidFileRecord(record);
  if (record != before) __builtin_trap();
  {
    CNTFSFileRecordView view(record, false);
    const qm::ByteView r = view.Record();
    for (std::uint32_t type : {0x10u, 0x20u, 0x30u, 0x60u, 0x80u, 0xA0u, 0x100u}) {
      const unsigned count = CountAttributes(r, type);
      for (unsigned i = 0; i <= count && i < 64; ++i) {
        const qm::NtfsAttribute a = FindAttribute(r, type, i);
        if (!a) continue;
        if (a.bytes.data() < r.data() || a.bytes.data() + a.bytes.size() > r.data() + r.size())
          __builtin_trap();
        (void)qm::attr::NameBytes(a.bytes);
        (void)qm::attr::ResidentValue(a.bytes);
        (void)qm::ReadStandardInformation(a.bytes);
        (void)qm::ReadFileName(a.bytes);
        if (const auto nr = qm::ReadNonResident(a.bytes)) {
          qm::NtfsRunList runs;
          (void)ValidateMappingPairs(nr->mappingPairs);
          DecodeDataRuns(nr->mappingPairs, runs, nr->firstVcn);
          (void)SumRunLengths(nr->mappingPairs);
          SortByVcn(runs);
          (void)VcnToLcn(runs, nr->firstVcn + 1);
        }
      }
    }
    (void)GetSystemFileNumber(view);
    (void)IsSystemFileRecord(view);
    (void)GuessSectorsPerClusterFromMftRecord(r, 4096);
  }
  if (record != before) __builtin_trap();
  {
    // A file's extents gathered from the record alone (no extension
    // records), packed and unpacked again.
    CNTFSFileRecord file(record, 7, nullptr, {});
    qm::NtfsFileExtents info;
    CollectFileDataRuns(file, 4096, info);
    if (info.size < 0) __builtin_trap();
    if (info.extents) (void)info.extents->Unpack();
    std::uint8_t small[64];
    (void)NtfsReadResidentFileData(file, small);
  }
  char label[kVolumeLabelBytes];
  std::memset(label, 0x55, sizeof label);
  if (GetVolumeLabelFromRecord(record, label) && std::memchr(label, 0, sizeof label) == nullptr)
    __builtin_trap();
  if (record != before) __builtin_trap();
  return 0;
}
