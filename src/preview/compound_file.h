// A read-only reader of compound files (the container of Word and Excel
// documents before their XML formats): the header, the sector allocation
// table and the directory, enough to tell which streams the root storage
// holds. The file is recovered data: every sector id, chain and count is
// checked against the file's size before it is followed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Reads count bytes at offset into out; false when they cannot all be read.
using CompoundReadFn = std::function<bool(std::uint64_t offset, void* out, std::size_t count)>;

struct CompoundEntry {
  std::u16string name;
  std::uint8_t type = 0; // 1 storage, 2 stream, 5 root
  std::uint64_t size = 0;
};

class CompoundFile {
public:
  // Directory entries read at most (a directory of 4 MiB of 128-byte
  // entries); more is damage.
  static constexpr std::size_t kMaxEntries = 32768;

  // Reads the header and the directory. False when the bytes are not a
  // compound file or its directory cannot be followed.
  bool Open(std::uint64_t fileSize, CompoundReadFn read);
  bool OpenPath(const std::string& path);
  bool OpenBytes(std::string_view bytes);

  // The entries that are children of the root storage, in tree order.
  const std::vector<CompoundEntry>& RootChildren() const { return rootChildren_; }
  // Whether the root storage holds a stream of that name (compared without
  // regard to ASCII case, as the format's names are).
  bool HasRootStream(std::string_view asciiName) const;

  // Why Open failed, for the log.
  const std::string& Error() const { return error_; }

private:
  bool Fail(std::string text);
  std::optional<std::uint32_t> NextSector(std::uint32_t sector);
  bool ReadSector(std::uint32_t sector, std::vector<std::uint8_t>& out);

  CompoundReadFn read_;
  std::uint64_t fileSize_ = 0;
  std::uint32_t sectorShift_ = 9;
  std::uint64_t sectorCount_ = 0;         // whole sectors after the header
  std::vector<std::uint32_t> fatSectors_; // where the allocation table lies
  std::uint32_t cachedFatIndex_ = 0xFFFFFFFF;
  std::vector<std::uint8_t> cachedFat_;
  std::vector<CompoundEntry> rootChildren_;
  std::string error_;
};

// Whether the file at path is a Word document (stream "WordDocument") or an
// Excel workbook (stream "Book" or "Workbook") in a compound file.
bool IsOfficeCompoundDocument(const std::string& path);
bool HasWordStream(const CompoundFile& file);
bool HasExcelStream(const CompoundFile& file);

} // namespace qm
