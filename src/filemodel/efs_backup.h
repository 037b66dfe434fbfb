// The raw backup form of an encrypted NTFS file: a file header, the
// encryption metadata, a stream-name block, then the encrypted data in
// pieces of at most 65,536 bytes, each behind a 512-byte block header. The
// platform's encrypted-file import reads this form; where there is none,
// the backup itself is what the user gets.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class IFileRecoverCallback;

namespace qm {

inline constexpr std::size_t kEfsFileHeaderBytes = 66;
inline constexpr std::size_t kEfsStreamNameBytes = 42;
inline constexpr std::size_t kEfsDataHeaderBytes = 512;
inline constexpr std::uint32_t kEfsPieceBytes = 65536;

// The file header; metadataLength is the length of the metadata that follows.
std::array<std::uint8_t, kEfsFileHeaderBytes> MakeEfsFileHeader(std::uint32_t metadataLength);
std::array<std::uint8_t, kEfsStreamNameBytes> MakeEfsStreamNameBlock();
// The header before data piece index (from 0) of pieceLength bytes, of
// which fileBytes belong to the file.
std::array<std::uint8_t, kEfsDataHeaderBytes> MakeEfsDataBlockHeader(std::uint32_t pieceLength, std::uint16_t index,
                                                                     std::uint32_t fileBytes);

} // namespace qm

// Turns the file at path (the file header, the metadata and the raw
// encrypted data, as the saver wrote them) into the backup form at
// path + ".EFS", deletes the file at path, and keeps the backup: this
// platform has no import of encrypted files. size is the file's size.
// 1 on success; 0 on failure (the file at path stays, no backup) or cancel
// (neither stays). callback may be null.
int ImportEfsRaw(const std::string& path, std::uint64_t size, IFileRecoverCallback* callback);
