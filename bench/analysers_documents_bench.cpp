// The carving sweep runs every header test on every sector, and a few
// length walks over whole files. Measured: the header tests of the
// document, database and archive analysers over 64 MiB of noise (no
// match: the common case), against a pass that only reads each sector's
// first word; the ZIP walk over a 40 MB archive of 20,000 entries; and the
// ZIP walk over one 40 MB entry written with a data descriptor, which
// searches its data for the next record; the gzip walk, which inflates a
// member of 40 MB of text to find its end.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <zlib.h>

#include "filemodel/raw_file_info.h"
#include "raw/analysers_archives.h"
#include "raw/analysers_databases.h"
#include "raw/analysers_documents.h"
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

void PutLocalHeader(std::vector<std::uint8_t>& zip, std::size_t at, std::uint32_t size, std::uint16_t flags) {
  const std::uint8_t name[] = "entry.bin";
  std::memset(zip.data() + at, 0, 30);
  zip[at] = 'P', zip[at + 1] = 'K', zip[at + 2] = 3, zip[at + 3] = 4;
  zip[at + 6] = static_cast<std::uint8_t>(flags);
  std::memcpy(zip.data() + at + 18, &size, 4);
  zip[at + 26] = 9;
  std::memcpy(zip.data() + at + 30, name, 9);
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
  analysers.push_back(std::make_unique<FileCABAnalyser>());
  analysers.push_back(std::make_unique<FileCHMAnalyser>());
  analysers.push_back(std::make_unique<FileDBXAnalyser>());
  analysers.push_back(std::make_unique<FileOLEAnalyser>());
  analysers.push_back(std::make_unique<FileLowDocAnalyser>());
  analysers.push_back(std::make_unique<FileGZAnalyser>());
  analysers.push_back(std::make_unique<FileHLPAnalyser>());
  analysers.push_back(std::make_unique<FileLZHAnalyser>());
  analysers.push_back(std::make_unique<FileMDBAnalyser>());
  analysers.push_back(std::make_unique<FileMNYAnalyser>());
  analysers.push_back(std::make_unique<FileONEAnalyser>());
  analysers.push_back(std::make_unique<FilePSTAnalyser>());
  analysers.push_back(std::make_unique<FileRARAnalyser>());
  analysers.push_back(std::make_unique<FileTARAnalyser>());
  analysers.push_back(std::make_unique<FileZIPAnalyser>());
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

  // 20,000 stored entries of 2,000 bytes.
  std::vector<std::uint8_t> zip = Noise(20000 * 2039 + 512 * 200);
  for (std::size_t i = 0; i < 20000; ++i) PutLocalHeader(zip, i * 2039, 2000, 0);
  BenchDevice zipDevice(zip);
  FileZIPAnalyser walker;
  CRawFileInfo zipRecord;
  start = std::chrono::steady_clock::now();
  walker.AnalyseFileSize(&zipRecord, &zipDevice);
  const double walk = Seconds(start);

  // One entry with a data descriptor and 40 MB of data (noise without "PK").
  std::vector<std::uint8_t> streamed = Noise(40000000 + 512 * 200);
  for (std::size_t i = 0; i + 1 < streamed.size(); ++i)
    if (streamed[i] == 'P') streamed[i] = 'Q';
  PutLocalHeader(streamed, 0, 0, 8);
  const std::size_t endAt = 39 + 40000000;
  std::memset(streamed.data() + endAt, 0, 22);
  streamed[endAt] = 'P', streamed[endAt + 1] = 'K', streamed[endAt + 2] = 5, streamed[endAt + 3] = 6;
  BenchDevice streamedDevice(streamed);
  CRawFileInfo streamedRecord;
  start = std::chrono::steady_clock::now();
  walker.AnalyseFileSize(&streamedRecord, &streamedDevice);
  const double search = Seconds(start);

  // A gzip member of 40 MB of text made of a few hundred words.
  std::vector<std::uint8_t> text(40000000);
  {
    std::uint32_t x = 1;
    static const char* const kWords[] = {"carving ", "sector ", "file ",    "length ", "walk ", "data ",
                                         "zero ",    "block ",  "archive ", "member ", "\n",    "header "};
    for (std::size_t at = 0; at < text.size();) {
      x = x * 1103515245u + 12345u;
      const char* word = kWords[(x >> 16) % 12];
      for (; *word != '\0' && at < text.size(); ++word)
        text[at++] = static_cast<std::uint8_t>(*word);
    }
  }
  std::vector<std::uint8_t> gz(text.size() + 512 * 200);
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  z.next_in = text.data();
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = gz.data();
  z.avail_out = static_cast<uInt>(gz.size());
  deflate(&z, Z_FINISH);
  const std::size_t gzSize = z.total_out;
  deflateEnd(&z);
  gz.resize(gzSize + 512 * 200);
  BenchDevice gzDevice(gz);
  FileGZAnalyser gzWalker;
  CRawFileInfo gzRecord;
  start = std::chrono::steady_clock::now();
  gzWalker.AnalyseFileSize(&gzRecord, &gzDevice);
  const double inflateSeconds = Seconds(start);

  std::printf("reference: first word of each sector      %8.0f MB/s  (%llu)\n", kBytes / reference / 1e6,
              static_cast<unsigned long long>(words & 1));
  std::printf("15 header tests per sector, no match       %8.0f MB/s  (%d matches)\n", kBytes / headers / 1e6,
              matches);
  std::printf("ZIP walk, 20,000 entries                   %8.0f MB/s  length %llu\n", zip.size() / walk / 1e6,
              static_cast<unsigned long long>(zipRecord.GetLength()));
  std::printf("ZIP walk, data-descriptor entry of 40 MB   %8.0f MB/s  length %llu\n", 40e6 / search / 1e6,
              static_cast<unsigned long long>(streamedRecord.GetLength()));
  std::printf("gzip walk, 40 MB of text (%zu compressed) %8.0f MB/s  length %llu\n", gzSize,
              40e6 / inflateSeconds / 1e6, static_cast<unsigned long long>(gzRecord.GetLength()));
  return 0;
}
