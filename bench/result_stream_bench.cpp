// Writes and reads a result stream of two million small file records
// (the shape of a saved file tree) value by value, beside writing and
// reading the same bytes as one plain file in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filemodel/crs_data.h"

namespace {

constexpr std::uint32_t kRecords = 2'000'000;
constexpr GUID kSection = {0xD208F26C, 0x078C, 0x4E34, {0x9D, 0x71, 0xD9, 0x1F, 0x53, 0x5F, 0x7B, 0x57}};
// Per record: u32 parent, u64 size, u16 attributes, u16 state, u64 time,
// and a 16-byte name: 40 bytes in six calls.
constexpr std::uint64_t kRecordBytes = 40;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(const char* what, double seconds, std::uint64_t calls) {
  const double mb = kRecords * kRecordBytes / 1e6;
  std::printf("%-34s %8.1f MB/s  %6.1f ns/value\n", what, mb / seconds, seconds * 1e9 / calls);
}

} // namespace

int main() {
  const std::string path = "/tmp/qm_result_stream_bench.rdf";
  const std::string plainPath = "/tmp/qm_result_stream_bench.raw";
  const char name[16] = "DSC_0001.JPG";
  const std::uint64_t calls = std::uint64_t{kRecords} * 6;

  auto start = std::chrono::steady_clock::now();
  {
    CRSDataEx writer(CRSData::kWriteMode);
    if (!writer.Open(path.c_str(), 1)) return 1;
    writer.SetFileKind(1);
    writer.OpenSection(kSection);
    for (std::uint32_t i = 0; i < kRecords; ++i) {
      qm::RSWrite<std::uint32_t>(writer, i / 16);
      qm::RSWrite<std::uint64_t>(writer, std::uint64_t{i} * 4093);
      qm::RSWrite<std::uint16_t>(writer, 0x20);
      qm::RSWrite<std::uint16_t>(writer, static_cast<std::uint16_t>(i & 7));
      qm::RSWrite<std::uint64_t>(writer, 0x01D0000000000000ull + i);
      writer.Write(name, sizeof name);
    }
    writer.Close();
  }
  Report("result stream write", Seconds(start), calls);

  start = std::chrono::steady_clock::now();
  std::uint64_t check = 0;
  {
    CRSDataEx reader(CRSData::kReadMode);
    if (!reader.Open(path.c_str(), 0)) return 1;
    reader.OpenSection(kSection);
    char back[16];
    for (std::uint32_t i = 0; i < kRecords; ++i) {
      check += qm::RSRead<std::uint32_t>(reader);
      check += qm::RSRead<std::uint64_t>(reader);
      check += qm::RSRead<std::uint16_t>(reader);
      check += qm::RSRead<std::uint16_t>(reader);
      check += qm::RSRead<std::uint64_t>(reader);
      reader.Read(back, sizeof back);
      check += static_cast<std::uint8_t>(back[0]);
    }
  }
  Report("result stream read", Seconds(start), calls);

  std::vector<std::uint8_t> flat(kRecords * kRecordBytes, 0x5A);
  start = std::chrono::steady_clock::now();
  {
    CPlainFile file(plainPath.c_str(), 3);
    if (!file.Write(flat.data(), static_cast<std::uint32_t>(flat.size()))) return 1;
  }
  Report("reference: one plain write", Seconds(start), calls);
  start = std::chrono::steady_clock::now();
  {
    CPlainFile file(plainPath.c_str(), 0);
    if (file.Read(flat.data(), static_cast<std::uint32_t>(flat.size())) != flat.size()) return 1;
  }
  Report("reference: one plain read", Seconds(start), calls);

  std::uint64_t stored = 0;
  CPlainFile(path.c_str(), 0).GetSize(&stored);
  std::printf("stored %.1f MB for %.1f MB of content (check %llu)\n", stored / 1e6, kRecords * kRecordBytes / 1e6,
              static_cast<unsigned long long>(check));
  std::remove(path.c_str());
  std::remove(plainPath.c_str());
  return 0;
}
