// A sweep over a device of many real files back to back, as the carving
// controller makes it: every sector whose first word is not zero goes to
// the analysers in their default priority, the first that accepts it wins.
// Each file must be found at its first sector with its type and length, and
// no sector inside a file may be taken for the start of another.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "media_analyser_test.h"
#include "raw/analysers_drawings.h"
#include "raw/analysers_media.h"
#include "raw/analysers_pictures.h"
#include "raw/analysers_text_fonts.h"

namespace {

struct Placed {
  const char* name;
  int type;
  std::uint64_t shortBy = 0;
};

TEST(MediaAnalysersSweep, EveryFileFoundAtItsStartAndNowhereElse) {
  // The default priority of these analysers among all of the engine's.
  std::vector<std::unique_ptr<IRawFileAnalyser>> list;
  list.push_back(std::make_unique<File3DSAnalyser>());
  list.push_back(std::make_unique<File3GPAnalyser>());
  list.push_back(std::make_unique<FileRIFFAnalyser>());
  list.push_back(std::make_unique<FilePDFAnalyser>());
  list.push_back(std::make_unique<FileASFAnalyser>());
  list.push_back(std::make_unique<FileAUAnalyser>());
  list.push_back(std::make_unique<FileBMPAnalyser>());
  list.push_back(std::make_unique<FileCPTAnalyser>());
  list.push_back(std::make_unique<FileCRWAnalyser>());
  list.push_back(std::make_unique<FileICOAnalyser>());
  list.push_back(std::make_unique<FileDWGAnalyser>());
  list.push_back(std::make_unique<FileDXFAnalyser>());
  list.push_back(std::make_unique<FileEMFAnalyser>());
  list.push_back(std::make_unique<FileEPSAnalyser>());
  list.push_back(std::make_unique<FileFH11Analyser>());
  list.push_back(std::make_unique<FileGIFAnalyser>());
  list.push_back(std::make_unique<FileHTMAnalyser>());
  list.push_back(std::make_unique<FileUnicodeHTMAnalyser>());
  list.push_back(std::make_unique<FileJPGAnalyser>());
  list.push_back(std::make_unique<FileMIDAnalyser>());
  list.push_back(std::make_unique<FileMOVAnalyser>());
  list.push_back(std::make_unique<FileMP3Analyser>());
  list.push_back(std::make_unique<FileMP4Analyser>());
  list.push_back(std::make_unique<FilePNGAnalyser>());
  list.push_back(std::make_unique<FilePSDAnalyser>());
  list.push_back(std::make_unique<FilePSPAnalyser>());
  list.push_back(std::make_unique<FileRTFAnalyser>());
  list.push_back(std::make_unique<FileWPDAnalyser>());
  list.push_back(std::make_unique<FileSWFAnalyser>());
  list.push_back(std::make_unique<FileTIFAnalyser>());
  list.push_back(std::make_unique<FileTTFAnalyser>());
  list.push_back(std::make_unique<FileWMFAnalyser>());

  const Placed files[] = {
      {"media_picture.png", 47},
      {"media_camera_II.jpg", 33},
      {"media_picture.gif", 28},
      {"media_picture.bmp", 9},
      {"media_picture.ico", 32},
      {"media_picture_be.tif", 60},
      {"media_picture_rle.psd", 50},
      {"media_placeable.wmf", 66},
      {"media_drawing.emf", 24},
      {"media_preview.eps", 25},
      {"media_model.3ds", 1},
      {"media_drawing.dxf", 23},
      {"media_clip.avi", 8},
      {"media_tone.wav", 63},
      {"media_tone.au", 7},
      {"media_clip.asf", 6},
      {"media_clip.mov", 40},
      {"plain.mp4", 40}, // MOV stands first
      {"small.3gp", 2},
      {"media_clip.swf", 58},
      {"media_song.mid", 36},
      {"mpeg1_l3_id3.mp3", 41},
      {"media_doc.pdf", 46},
      {"media_doc.rtf", 56, 2},
      {"media_page.htm", 31},
      {"media_page_utf16.htm", 31},
      {"media_font.ttf", 61},
      {"carve_tagless.mp3", 41},
      {"carve_id3v2_only.mp3", 41},
      {"mpeg2_l3.mp3", 41},
      {"carve_picture.eps", 25},
      {"carve_drawing.eps", 25},
      {"carve_page.htm", 31},
      {"carve_page_utf16.htm", 31},
      {"carve_update.pdf", 46},
      {"carve_linearized.pdf", 46},
  };
  std::vector<std::uint8_t> bytes(512 * 16, 0);
  std::map<std::uint64_t, const Placed*> starts;
  std::map<std::uint64_t, std::uint64_t> sizes;
  for (const Placed& f : files) {
    const std::vector<std::uint8_t> file = qm::ReadFormatFixture(f.name);
    starts[bytes.size() / 512] = &f;
    sizes[bytes.size() / 512] = file.size();
    bytes.insert(bytes.end(), file.begin(), file.end());
    bytes.resize((bytes.size() + 511) / 512 * 512 + 512, 0); // a zero sector between files
  }
  bytes.resize(bytes.size() + 512 * 200, 0);
  qm::MemoryDevice device(bytes, 512);

  for (std::uint64_t s = 0; s < device.GetSectorCount(); ++s) {
    std::uint32_t first = 0;
    std::memcpy(&first, device.sector(s), 4);
    if (first == 0) continue;
    CRawFileInfo record;
    record.SetStartSector(s);
    IRawFileAnalyser* winner = nullptr;
    for (auto& a : list) {
      if (a->CheckHeader(qm::ByteView(device.sector(s), 512), &record) != 0) {
        winner = a.get();
        break;
      }
    }
    const auto start = starts.find(s);
    if (start == starts.end()) {
      EXPECT_EQ(winner, nullptr) << "sector " << s << " taken as type " << record.GetType();
      continue;
    }
    SCOPED_TRACE(start->second->name);
    ASSERT_NE(winner, nullptr);
    if (record.GetLength() == 0) winner->AnalyseFileSize(&record, &device);
    EXPECT_EQ(record.GetType(), start->second->type);
    EXPECT_EQ(record.GetLength(), sizes[s] - start->second->shortBy);
  }
}

} // namespace
