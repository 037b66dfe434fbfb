// Mapping pairs from a hostile disk or saved result: decoding must stay
// inside the bytes, and whatever decodes must survive a pack / unpack
// round trip unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "filemodel/mapping_pairs.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "filemodel/packed_data_run_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qm::ByteView bytes(data, size);
  std::vector<DataRunEntry> runs;
  qm::DecodeMappingPairs(bytes, runs);
  (void)qm::ValidateMappingPairsStrict(bytes);
  if (qm::MappingPairsLength(bytes) > size) std::abort();

  CNoneResidentNTFSDataRunList list;
  list.ParseMappingPairs(bytes);
  if (list.Runs() != runs) std::abort();
  if (auto packed = CPackedDataRunList::FromDataRunList(&list)) {
    auto unpacked = packed->Unpack();
    if (!unpacked || unpacked->Runs() != runs) std::abort();
  }
  return 0;
}
