#include "ntfs/recycle_bin.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "filemodel/file_node.h"
#include "ntfs/ntfs_extents.h"
#include "storage/text_convert.h"

namespace {

constexpr std::uint32_t kMaxSectorsPerCluster = 128;
constexpr std::size_t kBufferClusters = 8;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view NameOf(const CFileNode* node) {
  const IFileProperties* p = node ? node->GetProperties() : nullptr;
  return p ? std::string_view(p->GetName()) : std::string_view();
}

} // namespace

CFileContentReader::~CFileContentReader() { Close(); }

void CFileContentReader::Close() {
  runs_.reset();
  buffer_.clear();
  buffer_.shrink_to_fit();
  resident_.clear();
  device_ = nullptr;
  bufferedCluster_ = ~std::uint64_t{0};
}

int CFileContentReader::Open(IStorageDevice* device, CFileNode* node) {
  Close();
  if (!device || !node || !node->GetProperties()) return 0;
  std::uint64_t base = 0;
  std::uint32_t spc = 0;
  if (!node->GetVolumeGeometry(&base, &spc)) return 0;
  const std::int32_t sectorSize = device->GetSectorSize();
  if (sectorSize <= 0 || spc == 0 || spc > kMaxSectorsPerCluster) return 0;
  IFileProperties* properties = node->GetProperties();
  if (properties->GetSize() == 0) return 0;
  auto runs = properties->GetDataRunList();
  if (!runs) return 0;
  device_ = device;
  baseSector_ = base;
  sectorsPerCluster_ = spc;
  clusterBytes_ = std::uint64_t{spc} * static_cast<std::uint64_t>(sectorSize);
  size_ = properties->GetSize();
  isResident_ = runs->IsResident() != 0;
  runs_ = std::move(runs);
  buffer_.assign(clusterBytes_ * kBufferClusters, 0);
  return 1;
}

bool CFileContentReader::ReadCluster(std::uint64_t fileCluster) {
  if (bufferedCluster_ == fileCluster) return true;
  std::uint64_t covered = 0;
  for (const DataRunEntry& run : runs_->Runs()) {
    if (fileCluster - covered < run.count) {
      const std::uint64_t index = fileCluster - covered;
      if (run.IsSparse()) {
        std::memset(buffer_.data(), 0, clusterBytes_);
      } else {
        // A start with the top bit set is a negative cluster: damage.
        if (run.start > static_cast<std::uint64_t>(INT64_MAX) || index > UINT64_MAX - run.start) return false;
        const std::uint64_t cluster = run.start + index;
        if (cluster > (UINT64_MAX - baseSector_) / sectorsPerCluster_) return false;
        const std::uint64_t sector = cluster * sectorsPerCluster_ + baseSector_;
        const std::uint64_t total = device_->GetSectorCount();
        if (sector > total || sectorsPerCluster_ > total - sector) return false;
        if (!device_->ReadSectors(buffer_.data(), sector, sectorsPerCluster_)) return false;
      }
      bufferedCluster_ = fileCluster;
      return true;
    }
    if (run.count > UINT64_MAX - covered) break;
    covered += run.count;
  }
  return false; // no run holds the cluster
}

int CFileContentReader::ReadAt(std::uint64_t offset, void* buffer, std::uint64_t n, std::uint64_t* count) {
  if (count) *count = 0;
  if (!runs_ || !buffer || offset >= size_) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  if (isResident_) {
    if (resident_.empty()) {
      auto content = NtfsReadResidentContent(*device_, *runs_, size_);
      if (!content) return 0;
      resident_ = std::move(*content);
    }
    if (offset >= resident_.size()) return 0;
    const std::uint64_t take = std::min<std::uint64_t>(n, resident_.size() - offset);
    std::memcpy(out, resident_.data() + offset, take);
    if (count) *count = take;
    return 1;
  }
  n = std::min(n, size_ - offset);
  std::uint64_t done = 0;
  while (done < n) {
    const std::uint64_t at = offset + done;
    if (!ReadCluster(at / clusterBytes_)) break;
    const std::uint64_t within = at % clusterBytes_;
    const std::uint64_t take = std::min(clusterBytes_ - within, n - done);
    std::memcpy(out + done, buffer_.data() + within, take);
    done += take;
  }
  if (count) *count = done;
  return done > 0 ? 1 : 0;
}

bool IsRecycleBinFolder(const CFileNode* node) {
  if (!node || !node->GetProperties() || !node->GetProperties()->IsFolder()) return false;
  const std::string_view name = NameOf(node);
  for (std::string_view bin : {"Recycler", "Recycled", "$Recycle.Bin", "$RECYCLE.BI0"}) {
    if (EqualsIgnoringCase(name, bin)) return true;
  }
  return false;
}

bool IsInRecycleBin(const CFileNode* node) {
  for (; node; node = node->GetParent()) {
    if (IsRecycleBinFolder(node)) return true;
  }
  return false;
}

bool IsRecycleBinInfoFile(const CFileNode* node) {
  const std::string_view name = NameOf(node);
  return name.size() > 1 && (name[0] == '$' || name[0] == '#') && name[1] == 'I';
}

CFileNode* FindRecycleBinPartner(std::vector<CFileNode*>& pending, CFileNode* node) {
  const char letter = IsRecycleBinInfoFile(node) ? 'I' : 'R';
  const std::string_view name = NameOf(node);
  for (auto it = pending.begin(); it != pending.end(); ++it) {
    std::string other(NameOf(*it));
    if (other.size() < 2) continue;
    other[1] = letter;
    if (EqualsIgnoringCase(other, name)) {
      CFileNode* partner = *it;
      pending.erase(it);
      return partner;
    }
  }
  pending.push_back(node);
  return nullptr;
}

int ReadRecycleBinOriginalName(IStorageDevice* device, CFileNode* dataNode, CFileNode* infoNode) {
  if (!dataNode || !dataNode->GetProperties()) return 0;
  CFileContentReader reader;
  if (!reader.Open(device, infoNode)) return 0;
  constexpr std::size_t kUnits = 512;
  std::uint8_t bytes[kUnits * 2] = {};
  std::uint64_t got = 0;
  if (!reader.ReadAt(0, bytes, sizeof bytes, &got) || got == 0) return 0;
  std::u16string units(kUnits, u'\0');
  for (std::size_t i = 0; i < kUnits; ++i)
    units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  const std::size_t slash = units.rfind(u'\\');
  if (slash == std::u16string::npos) return 0;
  // Only a drive path ("X:\...") is taken for an original path. The last
  // backslash itself counts, so that a file from a drive's root folder
  // ("C:\name") gets its name too.
  if (units.substr(0, slash + 1).find(u":\\") == std::u16string::npos) return 0;
  std::u16string name = units.substr(slash + 1);
  name.resize(std::min(name.find(u'\0'), name.size()));
  const std::string text = qm::Utf16ToUtf8(name);
  if (text.empty()) return 0;
  dataNode->GetProperties()->SetName(text.c_str());
  return 1;
}
