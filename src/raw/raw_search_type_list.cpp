#include "raw/raw_search_type_list.h"

#include <exception>

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

} // namespace

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

IRawFileAnalyser* RawSearchTypeList::FindByAnalyserType(int analyserType) const {
  for (const auto& analyser : analysers_)
    if ((analyser->typeId & 0xFFFF) == analyserType) return analyser.get();
  return nullptr;
}
