// The analysers of documents, databases and archives over a device whose
// content is the input: every header test on the first sector (also when
// it is short), then every length walk from sector 0, at a sector size and
// a maximum carved size taken from the input's first byte.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "raw/analysers_archives.h"
#include "raw/analysers_databases.h"
#include "raw/analysers_documents.h"
#include "storage/app_settings.h"
#include "walker_fuzz_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t control = data[0];
  const std::int32_t sectorSize = (control & 1) != 0 ? 4096 : 512;
  static const std::uint64_t kMaxima[] = {50000000, 4096, 1000000, ~std::uint64_t{0}};
  GetAppSettings()->u64MaxRawFileSize = kMaxima[(control >> 1) & 3];
  ++data;
  --size;

  std::vector<std::unique_ptr<IRawFileAnalyser>> analysers;
  analysers.push_back(std::make_unique<FileOLEAnalyser>());
  analysers.push_back(std::make_unique<FileLowDocAnalyser>());
  analysers.push_back(std::make_unique<FileCHMAnalyser>());
  analysers.push_back(std::make_unique<FileHLPAnalyser>());
  analysers.push_back(std::make_unique<FileONEAnalyser>());
  analysers.push_back(std::make_unique<FilePSTAnalyser>());
  analysers.push_back(std::make_unique<FileDBXAnalyser>());
  analysers.push_back(std::make_unique<FileMDBAnalyser>());
  analysers.push_back(std::make_unique<FileMNYAnalyser>());
  analysers.push_back(std::make_unique<FileZIPAnalyser>());
  analysers.push_back(std::make_unique<FileRARAnalyser>());
  analysers.push_back(std::make_unique<FileCABAnalyser>());
  analysers.push_back(std::make_unique<FileGZAnalyser>());
  analysers.push_back(std::make_unique<FileLZHAnalyser>());
  analysers.push_back(std::make_unique<FileTARAnalyser>());

  // The header tests see exactly the bytes given (a copy, so that a read
  // past them is caught).
  const std::vector<std::uint8_t> sector(data, data + std::min<std::size_t>(size, sectorSize));
  WalkerFuzzDevice device(data, size, sectorSize);
  for (auto& analyser : analysers) {
    CRawFileInfo info;
    analyser->CheckHeader(qm::ByteView(sector.data(), sector.size()), &info);
    CRawFileInfo walked;
    analyser->AnalyseFileSize(&walked, &device);
  }
  GetAppSettings()->u64MaxRawFileSize = 50000000;
  return 0;
}
