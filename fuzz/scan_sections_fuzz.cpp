// The readers of a saved scan's sections over arbitrary bytes: the file
// tree, the carved files, the found partitions and their windows, and the
// saved device records. Each ends with a result or a stream error, frees
// what it had built, and never reads past the data.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/rs_exception.h"
#include "filemodel/scan_result_sections.h"
#include "filemodel/scan_state_store.h"
#include "raw/scan_result_factories.h"
#include "storage/searched_partition_info.h"
#include "support/memory_device.h"
#include "support/memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = [] {
    qm::RegisterScanResultFactories();
    return true;
  }();
  (void)registered;
  if (size == 0) return 0;
  static qm::MemoryDevice disk(std::uint64_t{4096}, 512);
  qm::test::MemoryStream stream;
  stream.bytes.assign(data + 1, data + size);
  try {
    switch (data[0] % 5) {
    case 0:
      if (CFileNode* root = ReadFileTreeSection(&stream, nullptr)) DeleteFileTree(root);
      break;
    case 1:
      LoadCarvedFileList(&stream);
      break;
    case 2: {
      std::vector<CSearchedPartitionInfo*> list;
      LoadFileListState(list, &stream);
      for (auto* record : list) delete record;
      break;
    }
    case 3: {
      qm::PartitionWindowList windows;
      int selected = 0;
      ReadPartitionListSection(windows, &selected, &disk, &stream);
      break;
    }
    default: {
      VolumeList volumes, images;
      std::vector<std::unique_ptr<CScanStateRecord>> disks, imageRecords;
      CScanStateStore::SetImageOpener({}); // never open files named by the input
      CScanStateStore::LoadSearchRecord(&stream, volumes, images);
      CScanStateStore::LoadRecords(&stream, disks, imageRecords);
      break;
    }
    }
  } catch (const IRSException&) {
  }
  return 0;
}
