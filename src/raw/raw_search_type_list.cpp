#include "raw/raw_search_type_list.h"

#include <exception>
#include <typeindex>
#include <typeinfo>

#include "filemodel/raw_file_info.h"
#include "filemodel/raw_type_ids.h"
#include "raw/analysers_archives.h"
#include "raw/analysers_databases.h"
#include "raw/analysers_documents.h"
#include "raw/analysers_drawings.h"
#include "raw/analysers_media.h"
#include "raw/analysers_pictures.h"
#include "raw/analysers_text_fonts.h"
#include "raw/custom_file_analyser.h"

namespace {

using Maker = std::unique_ptr<IRawFileAnalyser> (*)();

template <typename T> std::unique_ptr<IRawFileAnalyser> Make() { return std::make_unique<T>(); }

// Up to two analysers stand for one type id.
struct IdAnalysers {
  Maker first = nullptr;
  Maker second = nullptr;
};

// Index = type id 0..73; id 0 and the custom ids are handled apart.
constexpr IdAnalysers kById[] = {
    /* 0 Raw   */ {},
    /* 1 3DS   */ {Make<File3DSAnalyser>},
    /* 2 3GP   */ {Make<File3GPAnalyser>},
    /* 3 ADP   */ {Make<FileONEAnalyser>},
    /* 4 ANI   */ {Make<FileRIFFAnalyser>},
    /* 5 AI    */ {Make<FilePDFAnalyser>},
    /* 6 ASF   */ {Make<FileASFAnalyser>},
    /* 7 AU    */ {Make<FileAUAnalyser>},
    /* 8 AVI   */ {Make<FileRIFFAnalyser>},
    /* 9 BMP   */ {Make<FileBMPAnalyser>},
    /* 10 CAB  */ {Make<FileCABAnalyser>},
    /* 11 CDR  */ {Make<FileRIFFAnalyser>},
    /* 12 CHM  */ {Make<FileCHMAnalyser>},
    /* 13 CLK  */ {Make<FileRIFFAnalyser>},
    /* 14 CMX  */ {Make<FileRIFFAnalyser>},
    /* 15 CPT  */ {Make<FileCPTAnalyser>},
    /* 16 CRW  */ {Make<FileCRWAnalyser>},
    /* 17 CSL  */ {Make<FileRIFFAnalyser>},
    /* 18 CUR  */ {Make<FileICOAnalyser>},
    /* 19 DBX  */ {Make<FileDBXAnalyser>},
    /* 20 DLL  */ {},
    /* 21 DOC  */ {Make<FileOLEAnalyser>, Make<FileLowDocAnalyser>},
    /* 22 DWG  */ {Make<FileDWGAnalyser>},
    /* 23 DXF  */ {Make<FileDXFAnalyser>},
    /* 24 EMF  */ {Make<FileEMFAnalyser>},
    /* 25 EPS  */ {Make<FileEPSAnalyser>},
    /* 26 EXE  */ {},
    /* 27 FH11 */ {Make<FileFH11Analyser>},
    /* 28 GIF  */ {Make<FileGIFAnalyser>},
    /* 29 GZ   */ {Make<FileGZAnalyser>},
    /* 30 HLP  */ {Make<FileHLPAnalyser>},
    /* 31 HTM  */ {Make<FileHTMAnalyser>, Make<FileUnicodeHTMAnalyser>},
    /* 32 ICO  */ {Make<FileICOAnalyser>},
    /* 33 JPG  */ {Make<FileJPGAnalyser>},
    /* 34 LZH  */ {Make<FileLZHAnalyser>},
    /* 35 MAX  */ {Make<FileOLEAnalyser>},
    /* 36 MID  */ {Make<FileMIDAnalyser>},
    /* 37 MDB  */ {Make<FileMDBAnalyser>},
    /* 38 MNY  */ {Make<FileMNYAnalyser>},
    /* 39 MOF  */ {Make<FileOLEAnalyser>},
    /* 40 MOV  */ {Make<FileMOVAnalyser>},
    /* 41 MP3  */ {Make<FileMP3Analyser>},
    /* 42 MP4  */ {Make<FileMP4Analyser>},
    /* 43 MPP  */ {Make<FileOLEAnalyser>},
    /* 44 OLE  */ {Make<FileOLEAnalyser>},
    /* 45 ONE  */ {Make<FileONEAnalyser>},
    /* 46 PDF  */ {Make<FilePDFAnalyser>},
    /* 47 PNG  */ {Make<FilePNGAnalyser>},
    /* 48 PPT  */ {Make<FileOLEAnalyser>},
    /* 49 PUB  */ {Make<FileOLEAnalyser>},
    /* 50 PSD  */ {Make<FilePSDAnalyser>},
    /* 51 PSP  */ {Make<FilePSPAnalyser>},
    /* 52 PST  */ {Make<FilePSTAnalyser>},
    /* 53 QPW  */ {Make<FileOLEAnalyser>},
    /* 54 RAR  */ {Make<FileRARAnalyser>},
    /* 55 RIFF */ {Make<FileRIFFAnalyser>},
    /* 56 RTF  */ {Make<FileRTFAnalyser>},
    /* 57 SHW  */ {Make<FileOLEAnalyser>, Make<FileWPDAnalyser>},
    /* 58 SWF  */ {Make<FileSWFAnalyser>},
    /* 59 TAR  */ {Make<FileTARAnalyser>},
    /* 60 TIF  */ {Make<FileTIFAnalyser>},
    /* 61 TTF  */ {Make<FileTTFAnalyser>},
    /* 62 VSD  */ {Make<FileOLEAnalyser>},
    /* 63 WAV  */ {Make<FileRIFFAnalyser>},
    /* 64 WPD  */ {Make<FileOLEAnalyser>, Make<FileWPDAnalyser>},
    /* 65 WPG  */ {Make<FileOLEAnalyser>, Make<FileWPDAnalyser>},
    /* 66 WMF  */ {Make<FileWMFAnalyser>},
    /* 67 XLS  */ {Make<FileOLEAnalyser>},
    /* 68 ZIP  */ {Make<FileZIPAnalyser>},
    /* 69 DOCX */ {Make<FileZIPAnalyser>},
    /* 70 XLSX */ {Make<FileZIPAnalyser>},
    /* 71 PPTX */ {Make<FileZIPAnalyser>},
    /* 72 ACCDB*/ {Make<FileMDBAnalyser>},
    /* 73 NEF  */ {Make<FileTIFAnalyser>},
};
static_assert(std::size(kById) == 74);

// One analyser of every class, in match order (the analyser of
// user-defined headers follows them).
constexpr Maker kEveryClass[] = {
    Make<File3DSAnalyser>,        Make<File3GPAnalyser>,  Make<FileASFAnalyser>,  Make<FileAUAnalyser>,
    Make<FileBMPAnalyser>,        Make<FileCABAnalyser>,  Make<FileCHMAnalyser>,  Make<FileCPTAnalyser>,
    Make<FileCRWAnalyser>,        Make<FileDBXAnalyser>,  Make<FileDWGAnalyser>,  Make<FileDXFAnalyser>,
    Make<FileEMFAnalyser>,        Make<FileEPSAnalyser>,  Make<FileFH11Analyser>, Make<FileGIFAnalyser>,
    Make<FileGZAnalyser>,         Make<FileHLPAnalyser>,  Make<FileHTMAnalyser>,  Make<FileICOAnalyser>,
    Make<FileJPGAnalyser>,        Make<FileLowDocAnalyser>, Make<FileLZHAnalyser>, Make<FileMDBAnalyser>,
    Make<FileMIDAnalyser>,        Make<FileMNYAnalyser>,  Make<FileMOVAnalyser>,  Make<FileMP3Analyser>,
    Make<FileMP4Analyser>,        Make<FileOLEAnalyser>,  Make<FileONEAnalyser>,  Make<FilePDFAnalyser>,
    Make<FilePNGAnalyser>,        Make<FilePSDAnalyser>,  Make<FilePSPAnalyser>,  Make<FilePSTAnalyser>,
    Make<FileRARAnalyser>,        Make<FileRIFFAnalyser>, Make<FileRTFAnalyser>,  Make<FileSWFAnalyser>,
    Make<FileTARAnalyser>,        Make<FileTIFAnalyser>,  Make<FileTTFAnalyser>,  Make<FileUnicodeHTMAnalyser>,
    Make<FileWMFAnalyser>,        Make<FileWPDAnalyser>,  Make<FileZIPAnalyser>,
};

// The byte each class's header test needs at one offset (see the classes'
// CheckHeader). Offsets are shared where a class allows it, since every
// distinct offset costs the dispatch one table look-up per sector; a byte
// value that a zero-led header would give (ICO, TTF, MDB start with 00) is
// avoided in favour of a more telling byte further in.
struct PrefilterEntry {
  const std::type_info& type;
  int offset;
  std::string_view bytes;
};

const PrefilterEntry kPrefilters[] = {
    {typeid(File3DSAnalyser), 0, "M"},               // 4D 4D
    {typeid(File3GPAnalyser), 4, "fF"},              // "ftyp3g.." any case
    {typeid(FileASFAnalyser), 0, "\x30"},            // header object GUID
    {typeid(FileAUAnalyser), 0, "."},                // ".snd"
    {typeid(FileBMPAnalyser), 0, "B"},               // "BM"
    {typeid(FileCABAnalyser), 0, "M"},               // "MSCF"
    {typeid(FileCHMAnalyser), 0, "I"},               // "ITSF"
    {typeid(FileCPTAnalyser), 0, "C"},               // "CPT7FILE" ...
    {typeid(FileCRWAnalyser), 0, "I"},               // "II\x1a\0\0\0HEAPCCDR"
    {typeid(FileDBXAnalyser), 0, "J\xCF"},           // "JMF6" or the folder ids
    {typeid(FileDWGAnalyser), 0, "A"},               // "AC10.."
    {typeid(FileDXFAnalyser), 0, " "},               // "  0\r\nSECTION"
    {typeid(FileEMFAnalyser), 41, "E"},              // " EMF" at 40
    {typeid(FileEPSAnalyser), 0, "\xC5%"},           // C5 D0 D3 C6, or "%!PS-Adobe-"
    {typeid(FileFH11Analyser), 0, "\x1C"},           // 1C 01 00 00 ...
    {typeid(FileGIFAnalyser), 0, "G"},               // "GIF8.a"
    {typeid(FileGZAnalyser), 0, "\x1F"},             // 1F 8B 08
    {typeid(FileHLPAnalyser), 0, "\x3F"},            // 3F 5F 03 00
    {typeid(FileHTMAnalyser), 0, "<"},               // "<html>", "<!..."
    {typeid(FileICOAnalyser), 2, "\x01\x02"},        // 00 00 01|02 00
    {typeid(FileJPGAnalyser), 0, "\xFF"},            // FF D8 FF
    {typeid(FileLowDocAnalyser), 0, "\xD0\xDB\x94"}, // D0 CF, DB A5, 94 A6
    {typeid(FileLZHAnalyser), 2, "-"},               // "-lh5-" at 2
    {typeid(FileMDBAnalyser), 4, "S"},               // "Standard Jet/ACE DB" at 4
    {typeid(FileMIDAnalyser), 0, "M"},               // "MThd"
    {typeid(FileMNYAnalyser), 4, "M"},               // "MSISAM Database" at 4
    {typeid(FileMOVAnalyser), 4, "f"},               // "ftyp" at 4
    {typeid(FileMP3Analyser), 0, "I\xFF"},           // "ID3", or a frame sync FF Ex
    {typeid(FileMP4Analyser), 4, "fF"},              // "ftyp...." any case
    {typeid(FileOLEAnalyser), 0, "\xD0"},            // D0 CF 11 E0
    {typeid(FileONEAnalyser), 0, "\xE4"},            // E4 52 5C 7B
    {typeid(FilePDFAnalyser), 0, "%"},               // "%PDF-"
    {typeid(FilePNGAnalyser), 0, "\x89"},            // 89 "PNG"
    {typeid(FilePSDAnalyser), 0, "8"},               // "8BPS"
    {typeid(FilePSPAnalyser), 0, "P"},               // "Paint Shop Pro"
    {typeid(FilePSTAnalyser), 0, "!"},               // "!BDN"
    {typeid(FileRARAnalyser), 0, "R"},               // "Rar!"
    {typeid(FileRIFFAnalyser), 0, "R"},              // "RIFF"
    {typeid(FileRTFAnalyser), 0, "{"},               // "{\rtf"
    {typeid(FileSWFAnalyser), 0, "FC"},              // "FWS", "CWS"
    {typeid(FileTARAnalyser), 257, "u"},             // "ustar" at 257
    {typeid(FileTIFAnalyser), 0, "MI"},              // "MM\0*", "II*\0"
    {typeid(FileTTFAnalyser), 1, "\x01"},            // 00 01 00 00
    {typeid(FileUnicodeHTMAnalyser), 0, "\xFF"},     // FF FE "<" 00
    {typeid(FileWMFAnalyser), 0, "\x01\xD7"},        // 01 00 09 00, placeable D7 CD
    {typeid(FileWPDAnalyser), 0, "\xFF"},            // FF "WPC"
    {typeid(FileZIPAnalyser), 0, "P"},               // "PK\3\4"
};

} // namespace

RawPrefilter GetRawPrefilter(const IRawFileAnalyser& analyser) {
  const std::type_index type(typeid(analyser));
  for (const PrefilterEntry& entry : kPrefilters)
    if (type == std::type_index(entry.type)) return {entry.offset, entry.bytes};
  return {};
}

bool IsInterchangeableAnalyser(const IRawFileAnalyser& analyser) {
  if (typeid(analyser) == typeid(CustomFileAnalyser)) return true;
  return !GetRawPrefilter(analyser).Any();
}

std::unique_ptr<IRawFileAnalyser> MakeDefaultCustomAnalyser() { return std::make_unique<CustomFileAnalyser>(); }

void RegisterRawAnalysersA(RawSearchTypeList::List& list, const CustomAnalyserMaker& makeCustom) {
  for (Maker make : kEveryClass)
    list.push_back(make());
  if (!makeCustom) return;
  if (auto custom = makeCustom()) list.push_back(std::move(custom));
}

void RegisterRawAnalysersB(int typeId, RawSearchTypeList::List& list, const CustomAnalyserMaker& makeCustom) {
  if (typeId < 1 || typeId > kLastBuiltInRawType) {
    if (!makeCustom) return;
    if (auto custom = makeCustom()) list.push_back(std::move(custom));
    return;
  }
  const IdAnalysers& entry = kById[typeId];
  if (entry.first != nullptr) list.push_back(entry.first());
  if (entry.second != nullptr) list.push_back(entry.second());
}

RawSearchTypeList& RawSearchTypeList::Get() {
  static RawSearchTypeList list;
  static const bool built = (RegisterRawAnalysersA(list.analysers_), true);
  (void)built;
  return list;
}

void RawSearchTypeList::Refill(std::span<const int> typeIds, const CustomAnalyserMaker& makeCustom) {
  analysers_.clear();
  for (int id : typeIds)
    RegisterRawAnalysersB(id, analysers_, makeCustom);
}

IRawFileAnalyser* RawSearchTypeList::MatchSector(qm::ByteView sector, CRawFileInfo* record) const {
  for (const auto& analyser : analysers_) {
    int matched = 0;
    try {
      matched = analyser->CheckHeader(sector, record);
    } catch (const std::exception&) {
      matched = 0;
    }
    if (matched != 0) {
      if (record != nullptr) {
        record->SetAnalyser(analyser.get());
        record->SetAnalyserType(analyser->typeId);
      }
      return analyser.get();
    }
  }
  return nullptr;
}

bool RawSearchTypeList::Contains(const IRawFileAnalyser* analyser) const {
  if (analyser == nullptr) return false;
  for (const auto& entry : analysers_)
    if (entry.get() == analyser) return true;
  return false;
}

IRawFileAnalyser* RawSearchTypeList::FindByAnalyserType(int analyserType) const {
  for (const auto& analyser : analysers_)
    if ((analyser->typeId & 0xFFFF) == analyserType) return analyser.get();
  return nullptr;
}
