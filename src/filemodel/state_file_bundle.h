// The scan-result bundle (".rsf"): every state file ("*.rdf") of the
// program's data folder in one file that the user keeps under a name of
// their own and imports later.
//
// Layout, all integers little-endian:
//     0   4  "CMBK"
//     4   4  checksum (below)
//     8   4  5800
//    12   4  0
//    16   8  total size of the bundle in bytes
//    24   8  n, the number of files (at most 10)
//    32 280  one entry per file: name (260 bytes, zero-terminated, no
//            folder), 4 zero bytes, u64 length, u64 offset of its bytes
//     . 280  zero
// The files' bytes follow the header block (312 + 280 n bytes) in entry
// order. The checksum is the wrapping sum of Crc32(..., 0x1770) over the
// header block (checksum field 0) and over each file's bytes in pieces of
// 4096 bytes, one CRC a piece.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qm {

inline constexpr std::uint32_t kStateBundleMagic = 0x4B424D43; // "CMBK"
inline constexpr std::uint32_t kStateBundleVersion = 5800;
inline constexpr std::uint32_t kStateBundleEntrySize = 280;
inline constexpr std::uint32_t kStateBundleNameSize = 260;
inline constexpr std::uint32_t kStateBundleFixedSize = 32;
inline constexpr std::uint64_t kStateBundleMaxFiles = 10;
inline constexpr std::uint32_t kStateBundlePiece = 4096;
inline constexpr std::uint32_t kStateBundleCrcPolynomial = 0x1770;

// What the user is told when a bundle cannot be imported.
inline constexpr const char* kStateBundleMismatchText =
    "The imported file (rsf) does not match the current version. Please import it with the previous version "
    "or "
    "scan the disk again.";

// The name offered for an exported scan result: the local time and a
// suffix, "%04d-%02d-%02d_%02d_%02d_ZORV%s.rsf".
std::string MakeScanResultFileName(const std::tm& localTime, const std::string& suffix);

// A name the bundle may hold and the import may write: one plain leaf name
// ending ".rdf", no folder part.
bool IsStateFileLeafName(const std::string& name);

} // namespace qm

class CStateFile {
public:
  struct Entry {
    std::string name;
    std::uint64_t length = 0;
    std::uint64_t offset = 0;
  };
  // Shows a message to the user (the window the import belongs to); may be
  // empty, the text is logged either way.
  using MessageSink = std::function<void(const char* text)>;

  // With collect non-zero, plans a bundle of every "*.rdf" of the folder
  // (sorted by name).
  explicit CStateFile(int collect, MessageSink window = {},
                      std::filesystem::path folder = std::filesystem::path());

  // Writes the planned bundle to path (replacing it); 1 on success. On any
  // failure the bundle is deleted and 0 returned.
  int Save(const char* path);

  // Re-creates the bundle's files in the folder; 1 on success. The bundle is
  // checked whole (magic, count, names, extents, checksum) before any state
  // file is replaced: its files are written to temporary names and renamed
  // only once everything matched, so a damaged bundle leaves the current
  // state files as they were.
  int Load(const char* path);

  const std::vector<Entry>& GetEntries() const { return entries_; }
  std::uint64_t GetTotalSize() const { return totalSize_; }
  const std::filesystem::path& GetFolder() const { return folder_; }

private:
  void Collect();
  void Refuse(const char* why, const char* path);

  MessageSink window_;
  std::filesystem::path folder_;
  std::vector<Entry> entries_;
  std::uint64_t totalSize_ = 0;
  bool tooMany_ = false;
};
