// The carving sweep runs every header test on every sector, and a few
// length walks read whole files byte by byte. Measured: the header tests
// of the picture, drawing, audio, video, text and font analysers over
// 64 MiB of noise (no match: the common case), against a pass that only
// reads each sector's first word; the same over sectors that each begin
// with an MPEG audio frame header (the most the MP3 header test of files
// without a tag ever does: parse, reservoir and the next header); the JPEG end-marker search over 40 MB of
// scan data; the PDF scan over 40 MB of text without markers; the MP3
// frame walk over 40 MB of frames; the CRW description search over 20 MiB.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "raw/analysers_drawings.h"
#include "raw/analysers_media.h"
#include "raw/analysers_pictures.h"
#include "raw/analysers_text_fonts.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"

namespace {

class BenchDevice : public IStorageDevice {
public:
  explicit BenchDevice(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first > GetSectorCount() || count > GetSectorCount() - first) return 0;
    std::memcpy(buffer, bytes_.data() + first * 512, count * 512);
    return 1;
  }
  std::uint64_t GetSectorCount() override { return bytes_.size() / 512; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  const std::vector<std::uint8_t>& bytes_;
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<std::uint8_t> Noise(std::size_t bytes) {
  std::vector<std::uint8_t> out(bytes);
  std::uint32_t x = 2463534242u;
  for (auto& b : out) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return out;
}

template <class T> double Walk(T& analyser, const std::vector<std::uint8_t>& bytes, std::uint64_t& length) {
  BenchDevice device(bytes);
  CRawFileInfo record;
  const auto start = std::chrono::steady_clock::now();
  analyser.AnalyseFileSize(&record, &device);
  const double seconds = Seconds(start);
  length = record.GetLength();
  return seconds;
}

} // namespace

int main() {
  constexpr std::size_t kBytes = 64u << 20;
  const std::vector<std::uint8_t> noise = Noise(kBytes);

  auto start = std::chrono::steady_clock::now();
  std::uint64_t words = 0;
  for (std::size_t at = 0; at < kBytes; at += 512) {
    std::uint32_t w;
    std::memcpy(&w, noise.data() + at, 4);
    words += w;
  }
  const double reference = Seconds(start);

  std::vector<std::unique_ptr<IRawFileAnalyser>> analysers;
  analysers.push_back(std::make_unique<File3DSAnalyser>());
  analysers.push_back(std::make_unique<File3GPAnalyser>());
  analysers.push_back(std::make_unique<FileRIFFAnalyser>());
  analysers.push_back(std::make_unique<FilePDFAnalyser>());
  analysers.push_back(std::make_unique<FileASFAnalyser>());
  analysers.push_back(std::make_unique<FileAUAnalyser>());
  analysers.push_back(std::make_unique<FileBMPAnalyser>());
  analysers.push_back(std::make_unique<FileCPTAnalyser>());
  analysers.push_back(std::make_unique<FileCRWAnalyser>());
  analysers.push_back(std::make_unique<FileICOAnalyser>());
  analysers.push_back(std::make_unique<FileDWGAnalyser>());
  analysers.push_back(std::make_unique<FileDXFAnalyser>());
  analysers.push_back(std::make_unique<FileEMFAnalyser>());
  analysers.push_back(std::make_unique<FileEPSAnalyser>());
  analysers.push_back(std::make_unique<FileFH11Analyser>());
  analysers.push_back(std::make_unique<FileGIFAnalyser>());
  analysers.push_back(std::make_unique<FileHTMAnalyser>());
  analysers.push_back(std::make_unique<FileUnicodeHTMAnalyser>());
  analysers.push_back(std::make_unique<FileJPGAnalyser>());
  analysers.push_back(std::make_unique<FileMIDAnalyser>());
  analysers.push_back(std::make_unique<FileMOVAnalyser>());
  analysers.push_back(std::make_unique<FileMP3Analyser>());
  analysers.push_back(std::make_unique<FileMP4Analyser>());
  analysers.push_back(std::make_unique<FilePNGAnalyser>());
  analysers.push_back(std::make_unique<FilePSDAnalyser>());
  analysers.push_back(std::make_unique<FilePSPAnalyser>());
  analysers.push_back(std::make_unique<FileRTFAnalyser>());
  analysers.push_back(std::make_unique<FileWPDAnalyser>());
  analysers.push_back(std::make_unique<FileSWFAnalyser>());
  analysers.push_back(std::make_unique<FileTIFAnalyser>());
  analysers.push_back(std::make_unique<FileTTFAnalyser>());
  analysers.push_back(std::make_unique<FileWMFAnalyser>());
  start = std::chrono::steady_clock::now();
  CRawFileInfo spare;
  int matches = 0;
  for (std::size_t at = 0; at < kBytes; at += 512)
    for (auto& analyser : analysers)
      if (analyser->CheckHeader(qm::ByteView(noise.data() + at, 512), &spare) != 0) {
        ++matches;
        break;
      }
  const double headers = Seconds(start);

  // Every sector begins like the first frame of a stream at 128 kbit/s,
  // with noise where the next header would be.
  std::vector<std::uint8_t> syncs = noise;
  for (std::size_t at = 0; at < kBytes; at += 512)
    syncs[at] = 0xFF, syncs[at + 1] = 0xFB, syncs[at + 2] = 0x90, syncs[at + 3] = 0, syncs[at + 4] = 0,
    syncs[at + 5] = 0;
  start = std::chrono::steady_clock::now();
  int syncMatches = 0;
  for (std::size_t at = 0; at < kBytes; at += 512)
    for (auto& analyser : analysers)
      if (analyser->CheckHeader(qm::ByteView(syncs.data() + at, 512), &spare) != 0) {
        ++syncMatches;
        break;
      }
  const double syncHeaders = Seconds(start);

  GetAppSettings()->u64MaxRawFileSize = 50000000;

  // A baseline JPEG whose scan data (no FF) runs 40 MB before its end.
  std::vector<std::uint8_t> jpeg = Noise(40000000 + 512 * 200);
  for (auto& b : jpeg) b = b == 0xFF ? 0xFE : b;
  const std::uint8_t head[] = {0xFF, 0xD8, 0xFF, 0xDB, 0, 4, 0, 0, 0xFF, 0xC0, 0, 17, 8, 0x30, 0, 0x30, 0, 3,
                               1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 0xFF, 0xDA, 0, 12, 3, 1, 0, 2, 0x11, 3, 0x11, 0, 0x3F, 0};
  std::memcpy(jpeg.data(), head, sizeof head);
  jpeg[40000000] = 0xFF, jpeg[40000001] = 0xD9;
  FileJPGAnalyser jpg;
  std::uint64_t jpgLength = 0;
  const double jpgSeconds = Walk(jpg, jpeg, jpgLength);

  std::vector<std::uint8_t> pdf = Noise(40000000 + 512 * 200);
  for (auto& b : pdf) b = b == '%' ? 'x' : b;
  std::memcpy(pdf.data(), "%PDF-1.4\n", 9);
  std::memcpy(pdf.data() + 40000000, "%%EOF\n", 6);
  FilePDFAnalyser pdfAnalyser;
  std::uint64_t pdfLength = 0;
  const double pdfSeconds = Walk(pdfAnalyser, pdf, pdfLength);

  // An ID3 tag, then 128 kbit/s frames of 417 bytes.
  std::vector<std::uint8_t> mp3 = Noise(40000000 + 512 * 200);
  std::memcpy(mp3.data(), "ID3\3\0\0\0\0\0\0", 10);
  std::size_t at = 10;
  for (; at + 417 <= 40000000; at += 417) mp3[at] = 0xFF, mp3[at + 1] = 0xFB, mp3[at + 2] = 0x90, mp3[at + 3] = 0;
  std::memset(mp3.data() + at, 0, 70000);
  FileMP3Analyser mp3Analyser;
  std::uint64_t mp3Length = 0;
  const double mp3Seconds = Walk(mp3Analyser, mp3, mp3Length);

  std::vector<std::uint8_t> crw = Noise(0x1400000 + 512 * 200);
  FileCRWAnalyser crwAnalyser;
  std::uint64_t crwLength = 0;
  const double crwSeconds = Walk(crwAnalyser, crw, crwLength);

  std::printf("reference: first word of each sector      %8.0f MB/s  (%llu)\n", kBytes / reference / 1e6,
              static_cast<unsigned long long>(words & 1));
  std::printf("32 header tests per sector, no match       %8.0f MB/s  (%d matches)\n", kBytes / headers / 1e6,
              matches);
  std::printf("32 header tests, every sector a frame sync  %8.0f MB/s  (%d matches)\n",
              kBytes / syncHeaders / 1e6, syncMatches);
  std::printf("JPEG end search, 40 MB                     %8.0f MB/s  length %llu\n", 40e6 / jpgSeconds / 1e6,
              static_cast<unsigned long long>(jpgLength));
  std::printf("PDF scan, 40 MB                            %8.0f MB/s  length %llu\n", 40e6 / pdfSeconds / 1e6,
              static_cast<unsigned long long>(pdfLength));
  std::printf("MP3 frame walk, 40 MB                      %8.0f MB/s  length %llu\n", 40e6 / mp3Seconds / 1e6,
              static_cast<unsigned long long>(mp3Length));
  std::printf("CRW description search, 20 MiB             %8.0f MB/s  length %llu\n",
              0x1400000 / crwSeconds / 1e6, static_cast<unsigned long long>(crwLength));
  return 0;
}
