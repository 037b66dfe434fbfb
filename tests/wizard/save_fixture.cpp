#include "save_fixture.h"

#include <algorithm>
#include <fstream>

#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace qm::test {
namespace {

struct Volume {
  fs::path image;
  std::vector<std::vector<std::uint8_t>> contents;
};

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return bytes;
}

Volume MakeVolume() {
  Volume volume;
  const fs::path work = ScratchPath("save_fixture_files");
  fs::remove_all(work);
  fs::create_directories(work);
  volume.image = MakeSparseImage("save_fixture_fat32.img", 40ull << 20);
  const std::string img = "'" + volume.image.string() + "'";
  const std::string mtools = "cd '" + work.string() + "' && MTOOLS_SKIP_CHECK=1 ";
  struct File {
    const char* name;
    const char* folder;
    std::size_t size;
  };
  const File files[] = {{"NOTES.TXT", "", 1500},      {"PHOTO.JPG", "", 70000},   {"EMPTY.DAT", "", 0},
                        {"REPORT.DOC", "DOCS", 9000}, {"TABLE.CSV", "DOCS", 513}, {"GONE.BIN", "", 4096}};
  if (RunCommand("mkfs.fat -F 32 -s 1 -n SAVEVOL " + img + " >/dev/null 2>&1") != 0) return {};
  if (RunCommand(mtools + "mmd -i " + img + " ::/DOCS") != 0) return {};
  std::uint32_t seed = 1;
  for (const File& file : files) {
    std::vector<std::uint8_t> bytes = Pattern(file.size, seed++);
    std::ofstream(work / file.name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (RunCommand(mtools + "mcopy -Q -i " + img + " " + file.name + " ::/" + file.folder) != 0) return {};
    volume.contents.push_back(std::move(bytes));
  }
  if (RunCommand(mtools + "mdel -i " + img + " ::/GONE.BIN") != 0) return {};
  return volume;
}

const Volume& SharedVolume() {
  static const Volume volume = MakeVolume();
  return volume;
}

} // namespace

SaveFixture::SaveFixture() = default;

SaveFixture::~SaveFixture() { DeleteFileTree(root); }

std::unique_ptr<SaveFixture> MakeSaveFixture() {
  const Volume& volume = SharedVolume();
  if (volume.image.empty()) return nullptr;
  auto fixture = std::make_unique<SaveFixture>();
  fixture->image = volume.image;
  fixture->contents = volume.contents;
  fixture->device = std::make_unique<CImageFileDevice>(volume.image.c_str());
  if (!fixture->device->Open()) return nullptr;
  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(2);
  partition.SetStartSector(0);
  partition.SetFlags(kFatFoundBoot32 | kFatUseFirstFat | kFatUseSecondFat);
  CFatTreeBuilder builder;
  CFileSystemNode* tree = builder.QuickBuild(nullptr, partition, fixture->device.get(), 1);
  if (tree == nullptr) return nullptr;
  // The tree the file-select step holds: a "Root" folder above the volume's.
  CFileSystemNode* root = CreateFileSystemNode();
  auto properties = std::make_unique<CMyFileProperties>();
  CMyFileProperties::Record record;
  record.attributes = kAttrFolder;
  properties->CopyRecord(record);
  properties->SetName("Root");
  root->SetProperties(std::move(properties));
  root->AddChild(tree);
  root->UpdateSelectionSummary();
  root->ToggleCheck(root, 0);
  root->UpdateSelectionSummary();
  fixture->root = root;
  return fixture;
}

std::map<std::string, std::vector<std::uint8_t>> FilesBelow(const fs::path& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[fs::relative(entry.path(), folder).string()] =
        std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

bool SameContents(const fs::path& folder, const std::vector<std::vector<std::uint8_t>>& contents) {
  std::vector<std::vector<std::uint8_t>> found;
  for (auto& [name, bytes] : FilesBelow(folder))
    found.push_back(bytes);
  std::vector<std::vector<std::uint8_t>> expected = contents;
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  return found == expected;
}

} // namespace qm::test
