#include "dialogs/advance_setting_rules.h"

#include <QtCore/QtGlobal>

#include <algorithm>
#include <array>
#include <limits>

namespace qm {
namespace {

constexpr RawTypeChoice kGraphics[] = {
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "3d Studio Max file(.max)"), 35},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "ANI file(.ani)"), 4},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Adobe Illustrator file(.ai)"), 5},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Bitmap file(.bmp)"), 9},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "COREL Darw file(.cdr)"), 11},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Corel Draw Corel RAVE Image file(.clk)"), 13},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Corel Draw Vector Image file(.cmx)"), 14},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Corel Photo Paint Image file(.cpt)"), 15},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Canon Raw graphics file(.crw)"), 16},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Cursor file(.cur)"), 18},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "AutoCAD Drawing file(.dwg)"), 22},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "AutoCad DX File(.dxf)"), 23},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Enhanced Metafile(.emf)"), 24},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Encapsulated Postscript file(.eps)"), 25},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Freehand 10 file(.fh11)"), 27},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "GIF graphics file(.gif)"), 28},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Icon file(.ico)"), 32},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "JPEG Graphics file(.jpg.jpeg)"), 33},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Portable Network Graphic file(.png)"), 47},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Adobe Photoshop file(.psd)"), 50},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Paint Shop Pro file(.psp)"), 51},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "QuattroPro 7 File(.qpw)"), 53},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Corel Presentation File(.shw)"), 57},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Tagged Image File(.tif)"), 60},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Nikon Raw File(.nef)"), 73},
};
constexpr RawTypeChoice kDocuments[] = {
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft Word Document(.doc)"), 21},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft Word2007(.docx)"), 69},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Help file(.hlp)"), 30},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "HTML Documents file(.htm.html)"), 31},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "MOF file(.mof)"), 39},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft Project file(.mpp)"), 43},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft OneNote file(.one)"), 45},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Adobe Portable Document(.pdf)"), 46},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft PowerPoint Presentation file(.ppt)"), 48},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft PowerPoint2007(.pptx)"), 71},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Rich Text Document(.rtf)"), 56},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "True Type Font file(.ttf)"), 61},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft Visio Drawing(.vsd)"), 62},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "WordPerfect file(.wpd)"), 64},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "WordPerfect Documents and Graphics v8(.wpg)"), 65},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft Excel XML Documents(.xls)"), 67},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft Excel2007(.xlsx)"), 70},
};
constexpr RawTypeChoice kArchives[] = {
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "3DS file (.3ds)"), 1},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Cabinet file(.cab)"), 10},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "CHM file(.chm)"), 12},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "CSL file(.csl)"), 17},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "GZIP compression file(.gz)"), 29},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "LZH compression file(.lzh)"), 34},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "RAR compression file(.rar)"), 54},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "TAR archive file(.tar)"), 59},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Zip compression file(.zip)"), 68},
};
constexpr RawTypeChoice kMultimedia[] = {
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "3GP Multimedia file(.3gp)"), 2},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Audio Streaming Format file(.asf)"), 6},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "AU file(.au)"), 7},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Audio Video Interleave file(.avi)"), 8},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Musical Instrument Digital Interface file(.mid)"), 36},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "MOV Multimedia file(.mov)"), 40},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "MP3 Music file(.mp3)"), 41},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "MP4 Multimedia file(.mp4)"), 42},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "ShockWave Flash file(.swf)"), 58},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "WAVE Multimedia file(.wav)"), 63},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "WMF Multimedia file(.wmf)"), 66},
};
constexpr RawTypeChoice kEmail[] = {
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Outlook Express Email file(.dbx)"), 19},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Outlook Email file(.pst)"), 52},
};
constexpr RawTypeChoice kDatabases[] = {
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Access Project file(.adp)"), 3},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Access Database file(.mdb)"), 37},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Microsoft Money file(.mny)"), 38},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Access Database file(.accdb)"), 72},
};

constexpr std::array<RawTypeGroup, 6> kGroups = {{
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Graphics"), "file.bmp", kGraphics},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Documents"), "file.doc", kDocuments},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Archives"), "file.cab", kArchives},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Multimedia"), "file.wav", kMultimedia},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Email"), "file.pst", kEmail},
    {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Databases and Financials"), "file.mdb", kDatabases},
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
