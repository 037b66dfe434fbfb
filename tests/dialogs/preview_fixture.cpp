#include "preview_fixture.h"

#include <QtCore/QBuffer>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <fstream>

#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "preview/compound_builder.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"

namespace qm::test {
namespace {

std::vector<std::uint8_t> Picture(int width, int height, const char* format) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, width, height);
  gradient.setColorAt(0, QColor(30, 90, 200));
  gradient.setColorAt(1, QColor(250, 200, 40));
  painter.fillRect(image.rect(), gradient);
  painter.setBrush(QColor(200, 30, 30));
  painter.drawEllipse(QPoint(width / 2, height / 2), width / 5, height / 5);
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

} // namespace

PreviewFixture::PreviewFixture() {
  const auto work = ScratchPath("preview_fixture_files");
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work / "DOCS");
  std::string notes;
  for (int i = 1; i <= 200; ++i)
    notes += "Line " + std::to_string(i) + " of the notes: the quick brown fox jumps over the lazy dog.\n";
  contents["photo.jpg"] = Picture(900, 600, "JPG");
  contents["small.png"] = Picture(60, 40, "PNG");
  contents["notes.txt"] = Text(notes);
  contents["letter.rtf"] =
      Text("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red200\\green0\\blue0;}"
           "\\f0\\fs28 Dear reader,\\par\\b Bold words\\b0 , \\i italic\\i0 , \\cf1 red\\cf0  "
           "and \\ul underlined\\ulnone .\\par\\fs40 A larger line\\par}\r\n");
  contents["report.doc"] = BuildWordContainer();
  contents["fake.doc"] = Text("This is not a Word document at all.\n");
  contents["edge.jpg"] = std::vector<std::uint8_t>(15728640, 0x20);
  contents["over.jpg"] = std::vector<std::uint8_t>(15728641, 0x20);
  contents["DOCS/abc-inner.txt"] = Text("inside the folder\n");
  for (const auto& [name, bytes] : contents)
    std::ofstream(work / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

  image = MakeSparseImage("preview_fixture.img", 48ull << 20);
  const std::string img = "'" + image.string() + "'";
  const std::string mtools = "cd '" + work.string() + "' && MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
  std::string names;
  for (const auto& [name, bytes] : contents)
    if (name.find('/') == std::string::npos) names += " " + name;
  if (RunCommand("mkfs.fat -F 16 -n PREVIEWS " + img + " >/dev/null") != 0 ||
      RunCommand(mtools + "mcopy -Q -i " + img + names + " ::/") != 0 ||
      RunCommand(mtools + "mcopy -Q -s -i " + img + " DOCS ::/") != 0)
    return;
  device = std::make_unique<CImageFileDevice>(image.c_str());
  if (!device->Open()) return;
  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(1);
  partition.SetFlags(kFatFoundBoot16 | kFatUseFirstFat | kFatUseSecondFat);
  CFatTreeBuilder builder;
  root = builder.QuickBuild(nullptr, partition, device.get(), 1);
}

PreviewFixture::~PreviewFixture() { DeleteFileTree(root); }

CFileNode* PreviewFixture::Node(const std::string& path) const {
  CFileNode* node = root;
  std::size_t from = 0;
  while (node != nullptr && from <= path.size()) {
    const std::size_t to = std::min(path.find('/', from), path.size());
    const std::string part = path.substr(from, to - from);
    CFileNode* found = nullptr;
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
      if (child->GetProperties() != nullptr && part == child->GetProperties()->GetName()) found = child;
    node = found;
    from = to + 1;
  }
  return node;
}

std::vector<CFileNode*> PreviewFixture::FilesIn(CFileNode* folder) const {
  std::vector<CFileNode*> files;
  for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    if (child->GetProperties() != nullptr && !child->GetProperties()->IsFolder()) files.push_back(child);
  return files;
}

} // namespace qm::test
