// A small FAT32 volume made by mkfs.fat and mtools, with files in the root
// and in a folder and one deleted file, read by the real FAT engine into a
// "Root" tree as the file-select step hands it on: every file checked.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CFileSystemNode;
class CImageFileDevice;

namespace qm::test {

struct SaveFixture {
  std::filesystem::path image;
  // The contents of the files on the volume (the deleted one too).
  std::vector<std::vector<std::uint8_t>> contents;
  std::unique_ptr<CImageFileDevice> device;
  CFileSystemNode* root = nullptr;

  SaveFixture();
  ~SaveFixture();
  SaveFixture(const SaveFixture&) = delete;
  SaveFixture& operator=(const SaveFixture&) = delete;
};

// A fresh tree over the volume (the image is made once per run); null
// when the tools are missing.
std::unique_ptr<SaveFixture> MakeSaveFixture();

// Every regular file below folder, by its path relative to folder.
std::map<std::string, std::vector<std::uint8_t>> FilesBelow(const std::filesystem::path& folder);

// Whether the files below folder hold exactly the contents given, in any
// order and under any names.
bool SameContents(const std::filesystem::path& folder,
                  const std::vector<std::vector<std::uint8_t>>& contents);

} // namespace qm::test
