// The picture, drawing, audio, video, text and font analysers over a
// device whose content is the input: the header test on its first sector,
// then the length walk whatever the header test said. The first byte picks
// the analyser (low 5 bits), the maximum carved size (bits 5-6: the
// default, 4 KiB, 1 MiB or the largest the setting holds) and the sector
// size (bit 7).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "raw/analysers_drawings.h"
#include "raw/analysers_media.h"
#include "raw/analysers_pictures.h"
#include "raw/analysers_text_fonts.h"
#include "storage/app_settings.h"
#include "walker_fuzz_device.h"

namespace {

template <class T> std::unique_ptr<IRawFileAnalyser> Make() { return std::make_unique<T>(); }

using Factory = std::unique_ptr<IRawFileAnalyser> (*)();
constexpr Factory kAnalysers[] = {
    Make<FileJPGAnalyser>, Make<FileTIFAnalyser>,        Make<FileCRWAnalyser>, Make<FilePNGAnalyser>,
    Make<FileGIFAnalyser>, Make<FileBMPAnalyser>,        Make<FileICOAnalyser>, Make<FilePSDAnalyser>,
    Make<FilePSPAnalyser>, Make<FileCPTAnalyser>,        Make<FileWMFAnalyser>, Make<FileEMFAnalyser>,
    Make<FileEPSAnalyser>, Make<FileFH11Analyser>,       Make<File3DSAnalyser>, Make<FileDWGAnalyser>,
    Make<FileDXFAnalyser>, Make<FileRIFFAnalyser>,       Make<FileMP3Analyser>, Make<FileMIDAnalyser>,
    Make<FileAUAnalyser>,  Make<FileASFAnalyser>,        Make<FileMOVAnalyser>, Make<FileMP4Analyser>,
    Make<File3GPAnalyser>, Make<FileSWFAnalyser>,        Make<FilePDFAnalyser>, Make<FileRTFAnalyser>,
    Make<FileHTMAnalyser>, Make<FileUnicodeHTMAnalyser>, Make<FileWPDAnalyser>, Make<FileTTFAnalyser>,
};
constexpr std::size_t kCount = sizeof kAnalysers / sizeof kAnalysers[0];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int32_t sectorSize = (data[0] & 0x80) ? 4096 : 512;
  const std::unique_ptr<IRawFileAnalyser> analyser = kAnalysers[(data[0] & 0x1F) % kCount]();
  constexpr std::uint64_t kMaxima[] = {50000000, 4096, 1 << 20, ~std::uint64_t{0}};
  GetAppSettings()->u64MaxRawFileSize = kMaxima[(data[0] >> 5) & 3];
  WalkerFuzzDevice device(data + 1, size - 1, sectorSize);

  std::vector<std::uint8_t> sector(static_cast<std::size_t>(sectorSize));
  device.ReadSectors(sector.data(), 0, 1);
  CRawFileInfo record;
  analyser->CheckHeader(qm::ByteView(sector.data(), sector.size()), &record);
  analyser->AnalyseFileSize(&record, &device);
  (void)analyser->GetExtraName();
  (void)analyser->GetExtraName2();
  return 0;
}
