#include "fat_fixture.h"

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "deep_scan_support.h"
#include "support/scratch_files.h"

namespace qm::test {

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = static_cast<std::uint8_t>(state);
  }
  return bytes;
}

namespace {

namespace fs = std::filesystem;

struct Layout {
  const char* name;
  int bits;
  std::uint64_t bytes;
  std::uint32_t sectorsPerCluster;
};

constexpr Layout kLayouts[] = {
    {"fat12", 12, 2u << 20, 4},
    {"fat16", 16, 8u << 20, 1},
    {"fat32", 32, 40u << 20, 1},
};

void Run(const std::string& command) {
  if (RunCommand(command) != 0) throw std::runtime_error("fixture command failed: " + command);
}

void WriteHostFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// "::/a b <2-4> <9>" lines into path → clusters.
std::map<std::string, std::vector<std::uint32_t>> ParseChains(const fs::path& listing) {
  std::map<std::string, std::vector<std::uint32_t>> chains;
  std::ifstream in(listing);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("::", 0) != 0) continue;
    const std::size_t open = line.find(" <");
    std::string path = line.substr(2, open == std::string::npos ? std::string::npos : open - 2);
    while (!path.empty() && path.back() == ' ')
      path.pop_back();
    std::vector<std::uint32_t>& chain = chains[path];
    for (std::size_t at = open; at != std::string::npos && at < line.size(); at = line.find('<', at + 1)) {
      const std::size_t start = line.find('<', at);
      if (start == std::string::npos) break;
      const std::size_t end = line.find('>', start);
      const std::string range = line.substr(start + 1, end - start - 1);
      const std::size_t dash = range.find('-');
      const std::uint32_t first = static_cast<std::uint32_t>(std::stoul(range.substr(0, dash)));
      const std::uint32_t last =
          dash == std::string::npos ? first : static_cast<std::uint32_t>(std::stoul(range.substr(dash + 1)));
      for (std::uint32_t c = first; c <= last; ++c)
        chain.push_back(c);
      at = end;
    }
  }
  return chains;
}

FatFixture Make(const Layout& layout) {
  FatFixture fixture;
  fixture.fatType = layout.bits == 12 ? 0 : layout.bits == 16 ? 1 : 2;
  fixture.sectorsPerCluster = layout.sectorsPerCluster;
  fixture.label = std::string("QM ") + layout.name;
  for (auto& c : fixture.label)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::uint32_t clusterBytes = layout.sectorsPerCluster * 512;

  const fs::path work = ScratchPath(ScratchTag() + "-fat-" + layout.name);
  fs::remove_all(work);
  fs::create_directories(work / "src");
  fixture.image = work / "volume.img";
  { std::ofstream create(fixture.image, std::ios::binary); }
  fs::resize_file(fixture.image, layout.bytes);

  auto add = [&](const std::string& path, std::size_t size) {
    FatFixtureFile file;
    file.path = path;
    file.content = Pattern(size, static_cast<std::uint32_t>(fixture.files.size() + 1));
    WriteHostFile(work / ("src" + path), file.content);
    fixture.files.push_back(std::move(file));
  };
  auto addFolder = [&](const std::string& path) {
    FatFixtureFile folder;
    folder.path = path;
    folder.directory = true;
    fs::create_directories(work / ("src" + path));
    fixture.files.push_back(std::move(folder));
  };
  addFolder("/Docs");
  addFolder("/Docs/Deep Folder");
  addFolder("/Docs/Many");
  add("/readme.txt", 100);
  add("/A long file name with spaces and more.text", 3000);
  add("/Docs/Report 2024 final version.doc", 7000);
  add("/Docs/Deep Folder/ünïcödé naïve.bin", 1500);
  add("/empty.txt", 0);
  for (int i = 0; i < 40; ++i)
    add("/Docs/Many/file number " + std::to_string(i) + ".txt", 50 + i);

  const std::string img = Quote(fixture.image.string());
  const std::string mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
  Run("mkfs.fat -F " + std::to_string(layout.bits) + " -s " + std::to_string(layout.sectorsPerCluster) +
      " -n " + Quote(fixture.label) + " -i 1234ABCD " + img + " >/dev/null");
  Run("cd " + Quote((work / "src").string()) + " && " + mtools + "mcopy -s -Q -i " + img + " * ::/");

  // A file that has to fill a hole and go on after the file behind it.
  auto copyOne = [&](const std::string& name, std::size_t size, bool keep) {
    const fs::path host = work / name;
    const auto content = Pattern(size, static_cast<std::uint32_t>(1000 + fixture.files.size() + name.size()));
    WriteHostFile(host, content);
    Run(mtools + "mcopy -Q -i " + img + " " + Quote(host.string()) + " ::/" + name);
    if (keep) {
      FatFixtureFile file;
      file.path = "/" + name;
      file.content = content;
      fixture.files.push_back(std::move(file));
    }
  };
  copyOne("gap1.bin", clusterBytes * 2, true);
  copyOne("hole.bin", clusterBytes * 2, false);
  copyOne("gap2.bin", clusterBytes, true);
  Run(mtools + "mdel -i " + img + " ::/hole.bin");
  // FAT32 allocation goes on from the last cluster it handed out (kept in
  // the FSInfo sector); marking that unknown makes it search from the
  // start and find the hole.
  if (layout.bits == 32) WriteFileBytes(fixture.image, 512 + 0x1EC, {0xFF, 0xFF, 0xFF, 0xFF});
  copyOne("frag.bin", clusterBytes * 5 + 100, true);

  // A file deleted last, so nothing overwrites its clusters.
  copyOne("deleted.dat", clusterBytes * 3 + 10, true);
  fixture.files.back().deleted = true;
  Run(mtools + "mshowfat -i " + img + " ::/deleted.dat > " + Quote((work / "deleted.chain").string()));
  Run(mtools + "mdel -i " + img + " ::/deleted.dat");
  fixture.files.back().chain = ParseChains(work / "deleted.chain")["/deleted.dat"];

  std::string listing = mtools + "mshowfat -i " + img;
  for (const auto& file : fixture.files)
    if (!file.deleted && !file.content.empty()) listing += " " + Quote("::" + file.path);
  for (const auto& file : fixture.files)
    if (file.directory) listing += " " + Quote("::" + file.path);
  Run(listing + " > " + Quote((work / "chains").string()));
  auto chains = ParseChains(work / "chains");
  for (auto& file : fixture.files)
    if (!file.deleted) file.chain = chains[file.path];
  return fixture;
}

} // namespace

const FatFixtureFile* FatFixture::Find(const std::string& path) const {
  for (const auto& file : files)
    if (file.path == path) return &file;
  return nullptr;
}

const FatFixture& GetFatFixture(int fatType) {
  static std::map<int, std::unique_ptr<FatFixture>> made;
  auto& slot = made[fatType];
  if (slot == nullptr) slot = std::make_unique<FatFixture>(Make(kLayouts[fatType]));
  return *slot;
}

} // namespace qm::test
