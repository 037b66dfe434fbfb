// The committed NTFS fixture image (made by tests/fixtures/ntfs/
// make_ntfs_fixture.sh), decompressed once into the build tree, and its
// manifest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

struct NtfsManifestEntry {
  std::string kind; // file, dir, stream, deleted, deleted-dir
  std::uint64_t record = 0;
  std::uint64_t parent = 0;
  std::uint64_t size = 0;
  std::string sha256;
  std::string flags;
  std::string path;
  bool Has(const std::string& flag) const;
  // The last path component (for a stream, the file's name without it).
  std::string Name() const;
};

// Any committed fixture by name (tests/fixtures/ntfs/<name>.img.xz and
// <name>.manifest): the path of its image decompressed into the build
// tree (made on first use), and its manifest.
std::string NtfsFixtureImagePath(const std::string& name);
std::vector<NtfsManifestEntry> LoadNtfsManifest(const std::string& name);

// Path of the decompressed image in the build tree (made on first use).
const std::string& NtfsBasicImagePath();
// The image's bytes, read once.
const std::vector<std::uint8_t>& NtfsBasicImage();
const std::vector<NtfsManifestEntry>& NtfsBasicManifest();
// The SHA-256 of the uncompressed image, as the fixture script wrote it.
std::string NtfsBasicImageSha256();

} // namespace qm::test
