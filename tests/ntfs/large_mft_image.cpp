#include "ntfs/large_mft_image.h"

#include <cstring>

#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "platform/byte_view.h"

namespace qm::test {
namespace {

constexpr std::size_t kRecordSize = 1024;
constexpr std::uint64_t kFolderEvery = 64;
constexpr std::uint64_t kFanOut = 8;

// A fixed-up clone of a fixture record with its parent and number set.
void PlaceClone(const std::vector<std::uint8_t>& fixedTemplate, std::uint8_t* out, std::uint64_t number,
                std::uint64_t parent, bool deleted) {
  std::memcpy(out, fixedTemplate.data(), kRecordSize);
  const qm::ByteView view(out, kRecordSize);
  for (unsigned i = 0;; ++i) {
    const qm::NtfsAttribute name = FindAttribute(view, qm::mft::kFileName, i);
    if (!name) break;
    const std::size_t value = name.offset + name.bytes.le16(qm::mft::kAttrValueOffset);
    qm::StoreLe64(out + value, parent | (std::uint64_t{1} << 48));
  }
  qm::StoreLe32(out + qm::mft::kRecordNumber, static_cast<std::uint32_t>(number));
  if (deleted) qm::StoreLe16(out + qm::mft::kFlags, view.le16(qm::mft::kFlags) & ~qm::mft::kFlagInUse);
  ProtectRecord(out);
}

// The $MFT's own record: hidden system file "$MFT" with one run.
void PlaceMftRecord(std::uint8_t* r, std::uint64_t lcn, std::uint64_t clusters, std::uint64_t clusterBytes) {
  std::memset(r, 0, kRecordSize);
  std::memcpy(r, "FILE", 4);
  qm::StoreLe16(r + 0x04, 0x30);
  qm::StoreLe16(r + 0x06, 3);
  qm::StoreLe16(r + 0x14, 0x38);
  qm::StoreLe16(r + 0x16, 1);
  qm::StoreLe32(r + 0x1C, kRecordSize);
  std::size_t at = 0x38;
  // $STANDARD_INFORMATION: hidden and system.
  qm::StoreLe32(r + at, 0x10);
  qm::StoreLe32(r + at + 4, 0x60);
  qm::StoreLe32(r + at + 0x10, 0x48);
  qm::StoreLe16(r + at + 0x14, 0x18);
  qm::StoreLe32(r + at + 0x18 + 0x20, 0x06);
  at += 0x60;
  // $FILE_NAME "$MFT" in the root folder.
  const char16_t name[] = u"$MFT";
  qm::StoreLe32(r + at, 0x30);
  qm::StoreLe32(r + at + 4, 0x68);
  qm::StoreLe32(r + at + 0x10, 0x42 + 8);
  qm::StoreLe16(r + at + 0x14, 0x18);
  qm::StoreLe64(r + at + 0x18, 5);
  r[at + 0x18 + 0x40] = 4;
  r[at + 0x18 + 0x41] = 3;
  for (int i = 0; i < 4; ++i)
    qm::StoreLe16(r + at + 0x18 + 0x42 + 2 * i, name[i]);
  at += 0x68;
  // $DATA: one run of 4-byte length and offset.
  qm::StoreLe32(r + at, 0x80);
  qm::StoreLe32(r + at + 4, 0x50);
  r[at + 8] = 1;
  qm::StoreLe64(r + at + 0x18, clusters - 1);
  qm::StoreLe16(r + at + 0x20, 0x40);
  qm::StoreLe64(r + at + 0x28, clusters * clusterBytes);
  qm::StoreLe64(r + at + 0x30, clusters * clusterBytes);
  qm::StoreLe64(r + at + 0x38, clusters * clusterBytes);
  r[at + 0x40] = 0x44;
  qm::StoreLe32(r + at + 0x41, static_cast<std::uint32_t>(clusters));
  qm::StoreLe32(r + at + 0x45, static_cast<std::uint32_t>(lcn));
  at += 0x50;
  qm::StoreLe32(r + at, 0xFFFFFFFF);
  qm::StoreLe32(r + 0x18, static_cast<std::uint32_t>(at + 8));
  qm::StoreLe16(r + 0x30, 1);
  ProtectRecord(r);
}

} // namespace

void ProtectRecord(std::uint8_t* record) {
  const std::uint16_t usa = qm::ByteView(record, kRecordSize).le16(qm::mft::kUsaOffset);
  for (std::size_t i = 0; i < kRecordSize / 512; ++i) {
    std::memcpy(record + usa + 2 * (i + 1), record + 512 * i + 510, 2);
    std::memcpy(record + 512 * i + 510, record + usa, 2);
  }
}

LargeMftImage MakeLargeMftImage(std::vector<std::uint8_t> image, std::uint64_t records) {
  LargeMftImage out;
  CNTFSDBR boot;
  if (image.size() < 4096 || records <= kLargeMftFirstUserRecord ||
      !boot.Load(qm::ByteView(image.data(), 512)) || boot.GetFileRecordSize() != kRecordSize)
    return out;
  const std::uint64_t clusterBytes = std::uint64_t{boot.GetSectorsPerCluster()} * 512;
  const std::uint64_t fixtureMft = static_cast<std::uint64_t>(boot.GetMftStartCluster()) * clusterBytes;

  // Templates: the fixture's folders and files (record 64 on), fixed up,
  // without attribute lists.
  std::vector<std::vector<std::uint8_t>> folders;
  std::vector<std::vector<std::uint8_t>> files;
  for (std::uint64_t n = 64; n < 100 && fixtureMft + (n + 1) * kRecordSize <= image.size(); ++n) {
    std::vector<std::uint8_t> record(
        image.begin() + static_cast<std::ptrdiff_t>(fixtureMft + n * kRecordSize),
        image.begin() + static_cast<std::ptrdiff_t>(fixtureMft + (n + 1) * kRecordSize));
    if (!IsValidFileRecord(record) || !IsInUse(qm::ByteView(record.data(), record.size()))) continue;
    ApplyUpdateSequenceFixup(record);
    const qm::ByteView view(record.data(), record.size());
    if (HasAttributeList(view) || IsExtensionRecord(view) || !FindAttribute(view, qm::mft::kFileName, 0))
      continue;
    (IsDirectory(view) ? folders : files).push_back(std::move(record));
  }
  if (folders.empty() || files.empty()) return out;

  // The $MFT appended after the fixture, cluster aligned.
  const std::uint64_t mftLcn = (image.size() + clusterBytes - 1) / clusterBytes;
  const std::uint64_t mftClusters = (records * kRecordSize + clusterBytes - 1) / clusterBytes;
  image.resize((mftLcn + mftClusters) * clusterBytes, 0);
  std::uint8_t* mft = image.data() + mftLcn * clusterBytes;
  PlaceMftRecord(mft, mftLcn, mftClusters, clusterBytes);
  for (std::uint64_t k = kLargeMftFirstUserRecord; k < records; ++k) {
    const std::uint64_t folder = (k - kLargeMftFirstUserRecord) / kFolderEvery;
    std::uint8_t* record = mft + k * kRecordSize;
    if ((k - kLargeMftFirstUserRecord) % kFolderEvery == 0) {
      const std::uint64_t parent =
          folder == 0 ? 5 : kLargeMftFirstUserRecord + (folder - 1) / kFanOut * kFolderEvery;
      PlaceClone(folders[folder % folders.size()], record, k, parent, false);
    } else {
      PlaceClone(files[k % files.size()], record, k, kLargeMftFirstUserRecord + folder * kFolderEvery,
                 k % 97 == 0);
    }
  }
  qm::StoreLe64(image.data() + qm::ntfs_boot::kTotalSectors, image.size() / 512 - 1);
  qm::StoreLe64(image.data() + qm::ntfs_boot::kMftCluster, mftLcn);
  out.mftOffset = mftLcn * clusterBytes;
  out.mftBytes = mftClusters * clusterBytes;
  out.bytes = std::move(image);
  return out;
}

} // namespace qm::test
