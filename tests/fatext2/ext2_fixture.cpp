#include "fatext2/ext2_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <tuple>

#include "fatext2/ext2_block_iterator.h"
#include "fatext2/ext2_dir_iterator.h"
#include "support/scratch_files.h"

namespace qm::test {
namespace {

std::vector<std::uint8_t> Pattern(std::uint32_t seed, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

void WriteHostFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Ext2Image Make(Ext2Layout layout) {
  Ext2Image image;
  std::string name;
  std::string options;
  std::uint64_t bytes = 0;
  switch (layout) {
  case Ext2Layout::Ext2Blocks1K:
    name = "ext2_1k";
    options = "-t ext2 -b 1024 -L ext2label";
    bytes = 24ull << 20;
    image.blockSize = 1024;
    break;
  case Ext2Layout::Ext3Blocks4K:
    name = "ext3_4k";
    options = "-t ext3 -b 4096 -L journalled -J size=4";
    bytes = 160ull << 20;
    image.blockSize = 4096;
    break;
  case Ext2Layout::Ext2SmallGroups:
    name = "ext2_groups";
    options = "-t ext2 -b 1024 -g 2048 -N 512";
    bytes = 16ull << 20;
    image.blockSize = 1024;
    break;
  case Ext2Layout::Ext2Revision0:
    name = "ext2_rev0";
    options = "-t ext2 -r 0 -b 2048";
    bytes = 24ull << 20;
    image.blockSize = 2048;
    break;
  case Ext2Layout::Ext2Blocks8K:
    name = "ext2_8k";
    options = "-t ext2 -b 8192";
    bytes = 24ull << 20;
    image.blockSize = 8192;
    break;
  }
  image.path = MakeSparseImage(ScratchTag() + "-" + name + ".img", bytes);
  const std::filesystem::path host = ScratchPath(ScratchTag() + "-" + name + "_files");
  std::filesystem::remove_all(host);
  std::filesystem::create_directories(host);

  std::ostringstream script;
  image.directories = {"/a", "/a/b", "/a/b/c", "/a/b/c/d", "/a/b/c/d/e", "/many"};
  for (const auto& dir : image.directories)
    script << "mkdir " << dir.substr(1) << "\n";
  std::uint32_t seed = 1;
  auto add = [&](const std::string& path, std::vector<std::uint8_t> content) {
    const std::string hostName = "f" + std::to_string(seed++);
    WriteHostFile(host / hostName, content);
    const auto slash = path.rfind('/');
    script << "cd /" << path.substr(1, slash == 0 ? 0 : slash - 1) << "\n";
    script << "write " << (host / hostName).string() << " " << path.substr(slash + 1) << "\n";
    image.files.push_back({path, std::move(content)});
  };
  const std::string hello = "hello from ext\n";
  add("/small.txt", {hello.begin(), hello.end()});
  add("/a/b/c/d/e/deep.txt", Pattern(seed, 3000));
  // Past the single-indirect range of 1 KiB blocks (268 KiB): double
  // indirect blocks.
  add("/big.bin", Pattern(seed, 700000));
  add("/exact.bin", Pattern(seed, 3 * image.blockSize));
  add("/empty.txt", {});
  add("/gr\xC3\xBC\xC3\x9F"
      "e.txt",
      Pattern(seed, 77));
  // Enough entries for a directory of several blocks.
  for (int i = 0; i < 150; ++i) {
    char fileName[64];
    std::snprintf(fileName, sizeof fileName, "/many/entry_with_a_longer_name_%03d.dat", i);
    add(fileName, Pattern(seed, 10 + static_cast<std::size_t>(i)));
  }
  image.deleted = {"/gone.bin", Pattern(seed, 5000)};
  WriteHostFile(host / "gone", image.deleted.content);
  image.killed = {"/killed.bin", Pattern(seed, 20000)};
  WriteHostFile(host / "killed", image.killed.content);
  // Both written before either is freed, so neither reuses the other's
  // inode or blocks.
  script << "cd /\nwrite " << (host / "gone").string() << " gone.bin\n";
  script << "write " << (host / "killed").string() << " killed.bin\n";
  script << "rm gone.bin\nkill_file killed.bin\n";
  const std::string commands = script.str();
  WriteHostFile(host / "script", std::vector<std::uint8_t>(commands.begin(), commands.end()));

  const std::string quiet = " >/dev/null 2>&1";
  if (RunCommand("mke2fs -q -F " + options + " " + image.path.string() + quiet) != 0 ||
      RunCommand("debugfs -w -f " + (host / "script").string() + " " + image.path.string() + quiet) != 0)
    image.path.clear();
  return image;
}

} // namespace

std::vector<std::uint8_t> Ext2Image::Bytes() const {
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

const Ext2Image& GetExt2Image(Ext2Layout layout) {
  static std::mutex lock;
  static std::map<Ext2Layout, Ext2Image> made;
  std::lock_guard<std::mutex> guard(lock);
  auto it = made.find(layout);
  if (it == made.end()) it = made.emplace(layout, Make(layout)).first;
  if (it->second.path.empty()) ADD_FAILURE() << "mke2fs or debugfs failed";
  return it->second;
}

const std::filesystem::path& GetHashedDirectoryImage() {
  static const std::filesystem::path made = [] {
    std::filesystem::path image = MakeSparseImage(ScratchTag() + "-ext2_hashed.img", 16ull << 20);
    const std::filesystem::path first = ScratchPath(ScratchTag() + "-ext2_hashed_script1");
    const std::filesystem::path second = ScratchPath(ScratchTag() + "-ext2_hashed_script2");
    for (const auto& [script, from, to] :
         {std::tuple{first, 1, 3000}, std::tuple{second, 3001, kHashedEntries}}) {
      std::ostringstream commands;
      commands << (from == 1 ? "mkdir big\n" : "") << "cd big\n";
      for (int i = from; i <= to; ++i)
        commands << "write /dev/null file_with_quite_a_long_name_number_" << i << "\n";
      const std::string text = commands.str();
      WriteHostFile(script, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    const std::string quiet = " >/dev/null 2>&1";
    // e2fsck exits with 1 when it changed the volume (it built the index).
    if (RunCommand("mke2fs -q -F -t ext2 -b 1024 -N 4000 " + image.string() + quiet) != 0 ||
        RunCommand("debugfs -w -f " + first.string() + " " + image.string() + quiet) != 0 ||
        RunCommand("e2fsck -fyD " + image.string() + quiet) > 1 ||
        RunCommand("debugfs -w -f " + second.string() + " " + image.string() + quiet) != 0)
      image.clear();
    return image;
  }();
  if (made.empty()) ADD_FAILURE() << "mke2fs, debugfs or e2fsck failed";
  return made;
}

CExt2Inode FindPath(CExt2FileSystem& fileSystem, const std::string& path) {
  CExt2Inode current;
  current.Load(&fileSystem, 2);
  std::size_t at = 1;
  while (at < path.size()) {
    const std::size_t slash = path.find('/', at);
    const std::string name = path.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
    at = slash == std::string::npos ? path.size() : slash + 1;
    bool found = false;
    for (auto it = current.Entries(), end = current.EntriesEnd(); it != end; it.Next()) {
      if (it.Current().GetName() == name && it.Current().GetInodeNumber() != 0) {
        current = it.MakeInode();
        found = true;
        break;
      }
    }
    if (!found) return CExt2Inode();
  }
  return current;
}

std::vector<std::string> ListNames(const CExt2Inode& directory) {
  std::vector<std::string> names;
  for (auto it = directory.Entries(), end = directory.EntriesEnd(); it != end; it.Next())
    if (it.Current().GetInodeNumber() != 0) names.emplace_back(it.Current().GetName());
  return names;
}

std::vector<std::uint8_t> ReadContent(const CExt2Inode& inode) {
  std::vector<std::uint8_t> content;
  const std::uint64_t size = inode.GetSize();
  const std::uint32_t blockSize = inode.GetFileSystem()->BlockSize();
  for (CExt2BlockIterator it = inode.Blocks(); content.size() < size; it.Next()) {
    const auto data = it.ReadData();
    const std::size_t take =
        static_cast<std::size_t>(std::min<std::uint64_t>(size - content.size(), blockSize));
    if (data.buffer == nullptr)
      content.insert(content.end(), take, 0);
    else
      content.insert(content.end(), data.buffer, data.buffer + std::min<std::size_t>(take, data.length));
    if (it.GetIndex() > inode.GetBlockCount() + 1) break; // never loop past the map
  }
  return content;
}

} // namespace qm::test
