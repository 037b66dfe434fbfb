// Every analyser of pictures, drawings, sound, video, text and fonts over
// real files made by real tools: recognised from the first sector, typed,
// and measured to the file's own size, behind filler and with 512- and
// 4096-byte sectors.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "media_analyser_test.h"
#include "raw/analysers_drawings.h"
#include "raw/analysers_media.h"
#include "raw/analysers_pictures.h"
#include "raw/analysers_text_fonts.h"

namespace {

using qm::test::Carve;

struct RealFile {
  const char* name;
  std::function<std::unique_ptr<IRawFileAnalyser>()> make;
  int type;
  // Bytes of the file that the length leaves out (a trailing line end
  // after the closing mark).
  std::uint64_t shortBy = 0;
};

template <class T> std::function<std::unique_ptr<IRawFileAnalyser>()> Make() {
  return [] { return std::make_unique<T>(); };
}

TEST(MediaAnalysersRealFiles, EachFileIsRecognisedTypedAndMeasured) {
  const RealFile files[] = {
      {"media_picture.png", Make<FilePNGAnalyser>(), 47},
      {"media_picture.gif", Make<FileGIFAnalyser>(), 28},
      {"media_picture.bmp", Make<FileBMPAnalyser>(), 9},
      {"media_picture.ico", Make<FileICOAnalyser>(), 32},
      {"media_picture_le.tif", Make<FileTIFAnalyser>(), 60},
      {"media_picture_be.tif", Make<FileTIFAnalyser>(), 60},
      {"media_picture_rle.psd", Make<FilePSDAnalyser>(), 50},
      {"media_picture_raw.psd", Make<FilePSDAnalyser>(), 50},
      {"media_baseline.jpg", Make<FileJPGAnalyser>(), 33},
      {"media_progressive.jpg", Make<FileJPGAnalyser>(), 33},
      {"exif_II.jpg", Make<FileJPGAnalyser>(), 33},
      {"exif_MM.jpg", Make<FileJPGAnalyser>(), 33},
      {"media_camera_II.jpg", Make<FileJPGAnalyser>(), 33},
      {"media_camera_MM.jpg", Make<FileJPGAnalyser>(), 33},
      {"media_plain.wmf", Make<FileWMFAnalyser>(), 66},
      {"media_placeable.wmf", Make<FileWMFAnalyser>(), 66},
      {"media_drawing.emf", Make<FileEMFAnalyser>(), 24},
      {"media_preview.eps", Make<FileEPSAnalyser>(), 25},
      {"media_model.3ds", Make<File3DSAnalyser>(), 1},
      {"media_drawing.dxf", Make<FileDXFAnalyser>(), 23},
      {"media_clip.avi", Make<FileRIFFAnalyser>(), 8},
      {"media_tone.wav", Make<FileRIFFAnalyser>(), 63},
      {"media_tone.au", Make<FileAUAnalyser>(), 7},
      {"media_clip.asf", Make<FileASFAnalyser>(), 6},
      {"media_clip.mov", Make<FileMOVAnalyser>(), 40},
      {"plain.mp4", Make<FileMP4Analyser>(), 42},
      {"small.3gp", Make<File3GPAnalyser>(), 2},
      {"media_clip.swf", Make<FileSWFAnalyser>(), 58},
      {"media_song.mid", Make<FileMIDAnalyser>(), 36},
      {"media_doc.pdf", Make<FilePDFAnalyser>(), 46},
      {"media_doc.rtf", Make<FileRTFAnalyser>(), 56, 2},
      {"media_page.htm", Make<FileHTMAnalyser>(), 31},
      {"media_page_utf16.htm", Make<FileUnicodeHTMAnalyser>(), 31},
      {"media_font.ttf", Make<FileTTFAnalyser>(), 61},
      // Files whose lengths came out wrong: HTML from groff (UTF-8 and
      // UTF-16), PDF files with a second "%%EOF" (linearized by qpdf; an
      // incremental update), MP3 files without an ID3v2 tag (lame) or with
      // no ID3v1 tag behind the frames (ffmpeg), text EPS (ImageMagick,
      // Ghostscript).
      {"carve_page.htm", Make<FileHTMAnalyser>(), 31},
      {"carve_page_utf16.htm", Make<FileUnicodeHTMAnalyser>(), 31},
      {"carve_linearized.pdf", Make<FilePDFAnalyser>(), 46},
      {"carve_update.pdf", Make<FilePDFAnalyser>(), 46},
      {"carve_tagless.mp3", Make<FileMP3Analyser>(), 41},
      {"mpeg2_l3.mp3", Make<FileMP3Analyser>(), 41},
      {"mpeg25_l3.mp3", Make<FileMP3Analyser>(), 41},
      {"carve_id3v2_only.mp3", Make<FileMP3Analyser>(), 41},
      {"carve_picture.eps", Make<FileEPSAnalyser>(), 25},
      {"carve_drawing.eps", Make<FileEPSAnalyser>(), 25},
  };
  // With the default maximum, and with the largest one the setting can
  // hold (no walk may wrap its bound).
  for (std::uint64_t maximum : {std::uint64_t{50000000}, ~std::uint64_t{0}}) {
    qm::MaxRawFileSizeGuard guard(maximum);
    for (const RealFile& f : files) {
      SCOPED_TRACE(f.name);
      const std::vector<std::uint8_t> file = qm::ReadFormatFixture(f.name);
      ASSERT_GT(file.size(), 16u);
      for (std::int32_t sectorSize : {512, 4096}) {
        SCOPED_TRACE(sectorSize);
        auto analyser = f.make();
        const qm::test::Carved c = Carve(*analyser, file, sectorSize);
        EXPECT_NE(c.matched, 0);
        EXPECT_EQ(c.type, f.type);
        EXPECT_EQ(c.length, file.size() - f.shortBy);
      }
    }
  }
}

TEST(MediaAnalysersRealFiles, AUtf16PageIsMeasuredByEitherHtmlAnalyser) {
  // Both HTML analysers stand for type 31, and a record is sized again by
  // the first analyser of its type, the 8-bit one: it must find the UTF-16
  // end tag too instead of running to its limit.
  for (const char* name : {"carve_page_utf16.htm", "media_page_utf16.htm"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> file = qm::ReadFormatFixture(name);
    auto device = qm::DeviceWithFile(file, qm::test::kLeadSectors, 4096);
    FileUnicodeHTMAnalyser unicode;
    FileHTMAnalyser html;
    ASSERT_EQ(unicode.typeId, html.typeId);
    const qm::test::Carved found = qm::test::CarveOn(unicode, *device);
    ASSERT_NE(found.matched, 0);
    CRawFileInfo record = found.record;
    record.SetLength(0);
    EXPECT_EQ(html.AnalyseFileSize(&record, device.get()), 1);
    EXPECT_EQ(record.GetLength(), file.size());
  }
}

TEST(MediaAnalysersRealFiles, ExifPicturesAreNamedAfterTheirCamera) {
  // Both byte orders of the EXIF data.
  for (const char* name : {"media_camera_II.jpg", "media_camera_MM.jpg"}) {
    SCOPED_TRACE(name);
    FileJPGAnalyser jpg;
    const qm::test::Carved c = Carve(jpg, qm::ReadFormatFixture(name));
    EXPECT_EQ(jpg.GetExtraName(), "WC-100 Mark II");
    EXPECT_EQ(jpg.GetExtraName2(), "2009:08:07 06:05:04");
    EXPECT_EQ(c.record.GetExtraName(), "WC-100 Mark II");
    EXPECT_EQ(c.record.GetExtraName2(), "2009:08:07 06:05:04");
    // The names belong to the file sized last.
    Carve(jpg, qm::ReadFormatFixture("media_baseline.jpg"));
    EXPECT_EQ(jpg.GetExtraName(), "");
    EXPECT_EQ(jpg.GetExtraName2(), "");
  }
}

TEST(MediaAnalysersRealFiles, AJfifPictureIsNotNamedEvenWithExifDataBehind) {
  // The walk is chosen by the first segment only.
  FileJPGAnalyser jpg;
  const qm::test::Carved c = Carve(jpg, qm::ReadFormatFixture("exif_II.jpg"));
  EXPECT_EQ(c.length, qm::ReadFormatFixture("exif_II.jpg").size());
  EXPECT_EQ(jpg.GetExtraName(), "");
  EXPECT_EQ(c.record.GetExtraName(), "");
}

} // namespace
