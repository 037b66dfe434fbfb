#include "carving_image.h"

#include <algorithm>

#include "format_fixture.h"

namespace qm::test {

const std::vector<CarvingFile>& CarvingFiles() {
  static const std::vector<CarvingFile> files = {
      {"media_picture.png", 47, true},
      {"media_camera_II.jpg", 33, true},
      {"media_picture.gif", 28, true},
      {"media_picture.bmp", 9, true},
      {"media_picture.ico", 32, true},
      {"media_picture_le.tif", 60, true},
      {"media_picture_rle.psd", 50, true},
      {"media_placeable.wmf", 66, true},
      {"media_drawing.emf", 24, true},
      {"media_preview.eps", 25, true},
      {"media_model.3ds", 1, true},
      {"media_drawing.dxf", 23, true},
      {"media_clip.avi", 8, true},
      {"media_tone.wav", 63, true},
      {"media_tone.au", 7, true},
      {"media_clip.asf", 6, true},
      {"media_clip.mov", 40, true},
      {"small.3gp", 2, true},
      {"media_clip.swf", 58, true},
      {"media_song.mid", 36, true},
      {"mpeg1_l3_id3.mp3", 41, false},
      {"media_doc.pdf", 46, true},
      {"media_doc.rtf", 56, false},
      {"media_page.htm", 31, true},
      {"media_page_utf16.htm", 31, true},
      {"media_font.ttf", 61, true},
      {"archive.cab", 10, true},
      {"archive.tar", 59, true},
      {"archive_level1.lzh", 34, true},
      {"b.bin.gz", 29, true},
      {"zip_tool.zip", 68, true},
      {"document.docx", 69, true},
      {"sheet.xlsx", 70, true},
      {"sheet.xls", 67, true},
      {"word.doc", 21, true},
      {"help.chm", 12, true},
      {"stored.rar", 54, true},
  };
  return files;
}

CarvingImage MakeCarvingImage(std::uint64_t totalBytes, std::int32_t sectorSize, std::uint64_t from,
                              std::uint64_t againFrom) {
  const std::uint64_t size = static_cast<std::uint64_t>(sectorSize);
  CarvingImage image;
  image.bytes.resize(static_cast<std::size_t>(totalBytes));
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  auto next = [&] {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    return x;
  };
  for (std::size_t i = 0; i + 8 <= image.bytes.size(); i += 8) {
    const std::uint64_t v = next();
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&v), 8,
                image.bytes.begin() + static_cast<std::ptrdiff_t>(i));
  }
  std::vector<std::uint64_t> bases{from};
  if (againFrom != 0) bases.push_back(againFrom);
  for (const std::uint64_t base : bases) {
    std::uint64_t at = (base + size - 1) / size * size;
    int n = 0;
    for (const CarvingFile& file : CarvingFiles()) {
      std::vector<std::uint8_t> content = ReadFormatFixture(file.name);
      if (at + content.size() > totalBytes) break;
      std::copy(content.begin(), content.end(), image.bytes.begin() + static_cast<std::ptrdiff_t>(at));
      image.placed.push_back({&file, at / size, std::move(content)});
      at = (at + image.placed.back().content.size() + size - 1) / size * size;
      // Back to back, then a gap of random sectors, then a gap of zeros.
      const std::uint64_t gap = static_cast<std::uint64_t>(n % 3) * size * (1 + n % 2);
      if (n % 3 == 2 && at + gap <= totalBytes)
        std::fill_n(image.bytes.begin() + static_cast<std::ptrdiff_t>(at), gap, std::uint8_t{0});
      at += gap;
      ++n;
    }
  }
  return image;
}

} // namespace qm::test
