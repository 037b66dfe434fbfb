#include "ntfs_fixture.h"

#include <lzma.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace qm::test {
namespace {

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::vector<std::uint8_t> DecompressXz(const std::vector<std::uint8_t>& packed) {
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_stream_decoder(&stream, UINT64_MAX, 0) != LZMA_OK) throw std::runtime_error("xz decoder");
  std::vector<std::uint8_t> out;
  std::uint8_t chunk[1 << 16];
  stream.next_in = packed.data();
  stream.avail_in = packed.size();
  lzma_ret ret = LZMA_OK;
  while (ret == LZMA_OK) {
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    ret = lzma_code(&stream, LZMA_FINISH);
    out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
  }
  lzma_end(&stream);
  if (ret != LZMA_STREAM_END) throw std::runtime_error("xz stream is damaged");
  return out;
}

std::filesystem::path SourceFixtures() {
  return std::filesystem::path(EnvOr("QM_SOURCE_DIR", ".")) / "tests" / "fixtures" / "ntfs";
}

} // namespace

bool NtfsManifestEntry::Has(const std::string& flag) const {
  std::stringstream list(flags);
  for (std::string item; std::getline(list, item, ',');)
    if (item == flag) return true;
  return false;
}

std::string NtfsManifestEntry::Name() const {
  std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  if (kind == "stream") name = name.substr(0, name.find(':'));
  return name;
}

std::string NtfsFixtureImagePath(const std::string& name) {
  const auto dir = std::filesystem::path(EnvOr("QM_BINARY_DIR", ".")) / "fixtures" / "ntfs";
  const auto image = dir / (name + ".img");
  const auto packed = SourceFixtures() / (name + ".img.xz");
  // Remade whenever the committed image is newer than the copy.
  if (!std::filesystem::exists(image) ||
      std::filesystem::last_write_time(image) < std::filesystem::last_write_time(packed)) {
    std::filesystem::create_directories(dir);
    const auto bytes = DecompressXz(ReadAll(packed));
    const auto temp = dir / (name + ".img.tmp" + std::to_string(::getpid()));
    {
      std::ofstream out(temp, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::filesystem::rename(temp, image);
  }
  return image.string();
}

const std::string& NtfsBasicImagePath() {
  static const std::string path = NtfsFixtureImagePath("ntfs_basic");
  return path;
}

const std::vector<std::uint8_t>& NtfsBasicImage() {
  static const std::vector<std::uint8_t> bytes = ReadAll(NtfsBasicImagePath());
  return bytes;
}

std::vector<NtfsManifestEntry> LoadNtfsManifest(const std::string& name) {
  std::vector<NtfsManifestEntry> list;
  std::ifstream in(SourceFixtures() / (name + ".manifest"));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream fields(line);
    NtfsManifestEntry e;
    std::string record, parent, size;
    std::getline(fields, e.kind, '\t');
    std::getline(fields, record, '\t');
    std::getline(fields, parent, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, e.sha256, '\t');
    std::getline(fields, e.flags, '\t');
    std::getline(fields, e.path, '\t');
    e.record = std::stoull(record);
    e.parent = std::stoull(parent);
    e.size = std::stoull(size);
    list.push_back(e);
  }
  return list;
}

const std::vector<NtfsManifestEntry>& NtfsBasicManifest() {
  static const std::vector<NtfsManifestEntry> entries = LoadNtfsManifest("ntfs_basic");
  return entries;
}

std::string NtfsBasicImageSha256() {
  std::ifstream in(SourceFixtures() / "ntfs_basic.img.sha256");
  std::string sum;
  in >> sum;
  return sum;
}

} // namespace qm::test
