// A FAT16 image made by mkfs.fat and mtools that holds one file of every
// kind the previews tell apart, and its tree as the real FAT engine builds
// it.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CFileNode;
class CFileSystemNode;
class CImageFileDevice;

namespace qm::test {

struct PreviewFixture {
  std::filesystem::path image;
  std::map<std::string, std::vector<std::uint8_t>> contents; // by name
  std::unique_ptr<CImageFileDevice> device;
  CFileSystemNode* root = nullptr;

  PreviewFixture();
  ~PreviewFixture();
  bool Made() const { return root != nullptr; }
  // The node of a file or folder ("DOCS/INNER.TXT"); null when none.
  CFileNode* Node(const std::string& path) const;
  // The files (not folders) directly in a folder, in tree order.
  std::vector<CFileNode*> FilesIn(CFileNode* folder) const;
};

// The fixture's files: photo.jpg (900 x 600), small.png (60 x 40),
// notes.txt (lines), letter.rtf, report.doc (a Word container), fake.doc
// (text), edge.jpg (exactly 15,728,640 bytes), over.jpg (one byte more),
// and DOCS/abc-inner.txt.

} // namespace qm::test
