#include "filemodel/efs_backup.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

#include "filemodel/file_recover_callback.h"
#include "filemodel/plain_file.h"
#include "platform/byte_view.h"
#include "platform/log.h"

namespace qm {

namespace {

// Writes an ASCII text as UTF-16LE, no terminator.
void StoreUtf16(std::uint8_t* out, const char* text) {
  for (; *text != '\0'; ++text, out += 2) {
    out[0] = static_cast<std::uint8_t>(*text);
    out[1] = 0;
  }
}

} // namespace

std::array<std::uint8_t, kEfsFileHeaderBytes> MakeEfsFileHeader(std::uint32_t metadataLength) {
  std::array<std::uint8_t, kEfsFileHeaderBytes> h{};
  StoreLe32(&h[0], 0x00000100);
  StoreUtf16(&h[4], "ROBS");
  StoreLe32(&h[20], 0x1E);
  StoreUtf16(&h[24], "NTFS");
  StoreLe32(&h[44], 2);
  StoreLe16(&h[48], 0x1910);
  StoreLe32(&h[50], metadataLength + 16);
  StoreUtf16(&h[54], "GURE");
  return h;
}

std::array<std::uint8_t, kEfsStreamNameBytes> MakeEfsStreamNameBlock() {
  std::array<std::uint8_t, kEfsStreamNameBytes> b{};
  StoreLe32(&b[0], 0x2A);
  StoreUtf16(&b[4], "NTFS");
  StoreLe32(&b[24], 0x0E);
  StoreUtf16(&b[28], "::$DATA");
  return b;
}

std::array<std::uint8_t, kEfsDataHeaderBytes> MakeEfsDataBlockHeader(std::uint32_t pieceLength, std::uint16_t index,
                                                                     std::uint32_t fileBytes) {
  std::array<std::uint8_t, kEfsDataHeaderBytes> h{};
  StoreLe32(&h[0], pieceLength + 512);
  StoreUtf16(&h[4], "GURE");
  StoreLe16(&h[18], index);
  StoreLe32(&h[24], 496);
  StoreLe32(&h[28], fileBytes);
  StoreLe32(&h[32], fileBytes);
  StoreLe32(&h[36], 0x10100000);
  StoreLe32(&h[40], 0x0001010B);
  StoreLe32(&h[44], pieceLength);
  return h;
}

} // namespace qm

int ImportEfsRaw(const std::string& path, std::uint64_t size, IFileRecoverCallback* callback) {
  CPlainFile raw;
  if (!raw.Open(path.c_str(), CPlainFile::kRead)) {
    LogError("Failed to open file %s", path.c_str());
    return 0;
  }
  const std::string backupPath = path + ".EFS";
  LogInfo("Creating temporary file: %s", backupPath.c_str());
  CPlainFile backup;
  if (!backup.Open(backupPath.c_str(), CPlainFile::kCreateAlways)) {
    LogError("Failed to create efs file.");
    return 0;
  }

  // A backup that could not be finished is no backup: it goes, and the
  // raw file stays for the user.
  auto abandon = [&] {
    backup.Close();
    ::unlink(backupPath.c_str());
    return 0;
  };
  std::vector<std::uint8_t> piece(qm::kEfsPieceBytes);
  std::uint8_t header[qm::kEfsFileHeaderBytes];
  if (raw.Read(header, sizeof header) != sizeof header) return abandon();
  // The stored length is the saver's own (metadata + 16), but read it as
  // untrusted all the same: never more than one piece.
  const std::uint32_t stored = qm::ByteView(header, sizeof header).le32(50);
  const std::uint32_t metadataLength = std::min<std::uint32_t>(stored >= 16 ? stored - 16 : 0, qm::kEfsPieceBytes);
  if (raw.Read(piece.data(), metadataLength) != metadataLength) return abandon();
  const auto nameBlock = qm::MakeEfsStreamNameBlock();
  if (!backup.Write(header, sizeof header) || !backup.Write(piece.data(), metadataLength) ||
      !backup.Write(nameBlock.data(), static_cast<std::uint32_t>(nameBlock.size())))
    return abandon();

  std::uint64_t left = size;
  for (std::uint16_t index = 0;; ++index) {
    const std::uint32_t length = raw.Read(piece.data(), qm::kEfsPieceBytes);
    const std::uint32_t fileBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, left));
    left -= fileBytes;
    const auto blockHeader = qm::MakeEfsDataBlockHeader(length, index, fileBytes);
    if (!backup.Write(blockHeader.data(), static_cast<std::uint32_t>(blockHeader.size())) ||
        !backup.Write(piece.data(), length))
      return abandon();
    if (callback != nullptr && callback->Poll() == -1) {
      // Cancelled: neither the half-made backup nor the raw file stays.
      raw.Close();
      ::unlink(path.c_str());
      return abandon();
    }
    if (length < qm::kEfsPieceBytes) break;
  }
  raw.Close();
  backup.Close();
  ::unlink(path.c_str());
  LogInfo("Encrypted file kept as its raw backup: %s", backupPath.c_str());
  return 1;
}
