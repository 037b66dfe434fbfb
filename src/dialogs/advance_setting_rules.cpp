#include "dialogs/advance_setting_rules.h"

#include <algorithm>
#include <array>
#include <limits>

namespace qm {
namespace {

constexpr RawTypeChoice kGraphics[] = {
    {"3d Studio Max file(.max)", 35},
    {"ANI file(.ani)", 4},
    {"Adobe Illustrator file(.ai)", 5},
    {"Bitmap file(.bmp)", 9},
    {"COREL Darw file(.cdr)", 11},
    {"Corel Draw Corel RAVE Image file(.clk)", 13},
    {"Corel Draw Vector Image file(.cmx)", 14},
    {"Corel Photo Paint Image file(.cpt)", 15},
    {"Canon Raw graphics file(.crw)", 16},
    {"Cursor file(.cur)", 18},
    {"AutoCAD Drawing file(.dwg)", 22},
    {"AutoCad DX File(.dxf)", 23},
    {"Enhanced Metafile(.emf)", 24},
    {"Encapsulated Postscript file(.eps)", 25},
    {"Freehand 10 file(.fh11)", 27},
    {"GIF graphics file(.gif)", 28},
    {"Icon file(.ico)", 32},
    {"JPEG Graphics file(.jpg.jpeg)", 33},
    {"Portable Network Graphic file(.png)", 47},
    {"Adobe Photoshop file(.psd)", 50},
    {"Paint Shop Pro file(.psp)", 51},
    {"QuattroPro 7 File(.qpw)", 53},
    {"Corel Presentation File(.shw)", 57},
    {"Tagged Image File(.tif)", 60},
    {"Nikon Raw File(.nef)", 73},
};
constexpr RawTypeChoice kDocuments[] = {
    {"Microsoft Word Document(.doc)", 21},
    {"Microsoft Word2007(.docx)", 69},
    {"Help file(.hlp)", 30},
    {"HTML Documents file(.htm.html)", 31},
    {"MOF file(.mof)", 39},
    {"Microsoft Project file(.mpp)", 43},
    {"Microsoft OneNote file(.one)", 45},
    {"Adobe Portable Document(.pdf)", 46},
    {"Microsoft PowerPoint Presentation file(.ppt)", 48},
    {"Microsoft PowerPoint2007(.pptx)", 71},
    {"Rich Text Document(.rtf)", 56},
    {"True Type Font file(.ttf)", 61},
    {"Microsoft Visio Drawing(.vsd)", 62},
    {"WordPerfect file(.wpd)", 64},
    {"WordPerfect Documents and Graphics v8(.wpg)", 65},
    {"Microsoft Excel XML Documents(.xls)", 67},
    {"Microsoft Excel2007(.xlsx)", 70},
};
constexpr RawTypeChoice kArchives[] = {
    {"3DS file (.3ds)", 1},
    {"Cabinet file(.cab)", 10},
    {"CHM file(.chm)", 12},
    {"CSL file(.csl)", 17},
    {"GZIP compression file(.gz)", 29},
    {"LZH compression file(.lzh)", 34},
    {"RAR compression file(.rar)", 54},
    {"TAR archive file(.tar)", 59},
    {"Zip compression file(.zip)", 68},
};
constexpr RawTypeChoice kMultimedia[] = {
    {"3GP Multimedia file(.3gp)", 2},
    {"Audio Streaming Format file(.asf)", 6},
    {"AU file(.au)", 7},
    {"Audio Video Interleave file(.avi)", 8},
    {"Musical Instrument Digital Interface file(.mid)", 36},
    {"MOV Multimedia file(.mov)", 40},
    {"MP3 Music file(.mp3)", 41},
    {"MP4 Multimedia file(.mp4)", 42},
    {"ShockWave Flash file(.swf)", 58},
    {"WAVE Multimedia file(.wav)", 63},
    {"WMF Multimedia file(.wmf)", 66},
};
constexpr RawTypeChoice kEmail[] = {
    {"Outlook Express Email file(.dbx)", 19},
    {"Outlook Email file(.pst)", 52},
};
constexpr RawTypeChoice kDatabases[] = {
    {"Access Project file(.adp)", 3},
    {"Access Database file(.mdb)", 37},
    {"Microsoft Money file(.mny)", 38},
    {"Access Database file(.accdb)", 72},
};

constexpr std::array<RawTypeGroup, 6> kGroups = {{
    {"Graphics", "file.bmp", kGraphics},
    {"Documents", "file.doc", kDocuments},
    {"Archives", "file.cab", kArchives},
    {"Multimedia", "file.wav", kMultimedia},
    {"Email", "file.pst", kEmail},
    {"Databases and Financials", "file.mdb", kDatabases},
}};

// Types carved out of an OLE compound file.
constexpr int kInCompoundFile[] = {3, 21, 35, 39, 43, 48, 49, 53, 57, 62, 64, 65, 67};
// Office 2007 types carved out of a ZIP archive.
constexpr int kInZip[] = {69, 70, 71};

} // namespace

std::span<const RawTypeGroup> RawTypeGroups() { return kGroups; }

std::int64_t ParseRawSizeText(const QString& text) {
  int at = 0;
  while (at < text.size() && text[at].isSpace()) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == QLatin1Char('-') || text[at] == QLatin1Char('+'))) {
    negative = text[at] == QLatin1Char('-');
    ++at;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  for (; at < text.size() && text[at] >= QLatin1Char('0') && text[at] <= QLatin1Char('9'); ++at) {
    const int digit = text[at].unicode() - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? 0 : value;
}

void AddImpliedRawTypes(std::vector<int>& types) {
  const auto contains = [](auto& list, int id) {
    return std::find(std::begin(list), std::end(list), id) != std::end(list);
  };
  const std::size_t chosen = types.size();
  for (std::size_t i = 0; i < chosen; ++i) {
    const int id = types[i];
    const int implied = contains(kInCompoundFile, id) ? 44 : id == 5 ? 46 : contains(kInZip, id) ? 68 : 0;
    // Each container once: a second copy in the list would only make the
    // sweep test the same signature twice per sector.
    if (implied != 0 && !contains(types, implied)) {
      types.push_back(implied);
    }
  }
}

} // namespace qm
