// INDX blocks, $INDEX_ROOT entries and $LogFile pages over arbitrary bytes:
// header, fix-up and entry checks (which must leave the block unchanged),
// the parent and entry readers on a fixed-up copy, and the log page tests.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ntfs/index_record.h"
#include "ntfs/log_pages.h"
#include "ntfs/mft_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the block length, so short and odd blocks get
  // tried too; the block is exactly that long, so a read past it shows.
  const std::size_t lengths[] = {4096, 1024, 512, 8192, 4000, 0x24};
  const std::size_t length = size > 0 ? lengths[data[0] % 6] : 4096;
  std::vector<std::uint8_t> block(length, 0);
  if (size > 1) std::memcpy(block.data(), data + 1, std::min(size - 1, length));
  const std::vector<std::uint8_t> before = block;
  const qm::ByteView view(block.data(), block.size());

  (void)IsValidIndxHeader(view);
  (void)CheckIndxFixup(view);
  (void)CheckIndxEntries(view);
  (void)GetIndxParent(view);
  (void)GetIndxVcn(view);
  (void)IsValidIndxRecord(block);
  if (block != before) __builtin_trap();

  if (ApplyIndxFixup(block)) {
    (void)CheckIndxEntries(view);
    (void)GetIndxParent(view);
    if (const auto entries = qm::DecodeIndxEntries(view)) {
      for (const auto& e : *entries) {
        if (e.name.size() > 255) __builtin_trap();
      }
    }
    if (!RestoreIndxFixup(block) || block != before) __builtin_trap();
  }

  // The same bytes as a resident attribute: an $INDEX_ROOT.
  (void)GetIndexRootParent(view);
  (void)IsValidRcrdPage(view);
  (void)IsValidRstrPage(view);
  return 0;
}
